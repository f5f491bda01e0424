#pragma once

#include <QObject>

#include <csignal>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a clean exit with code 1: the handler only
// writes to a pipe; the event loop reads it, logs and leaves, so destructors close
// the session (and stop openvpn) as on a disconnect. A signal the process was
// started with ignored stays ignored. SIGPIPE is ignored: a client that vanished
// with the backend's standard error must not kill it before openvpn is stopped.
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
    struct sigaction previousHup {};
    struct sigaction previousPipe {};
};
