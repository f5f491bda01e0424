#pragma once

#include <QObject>

#include <csignal>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a clean exit with code 1: the handler only writes to
// a pipe; the event loop reads it, logs and leaves, so destructors close the
// session as on a disconnect. A signal the process was started with ignored stays
// ignored.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    static void terminate(int signal);

private slots:
    void onSignalled();

private:
    void install(int signal, struct sigaction& previous);
    static void restore(int signal, const struct sigaction& previous);

    QSocketNotifier* notifier = nullptr;
    struct sigaction previousTerm {};
    struct sigaction previousInt {};
};
