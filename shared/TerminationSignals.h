#pragma once

#include <QObject>

#include <csignal>
#include <initializer_list>
#include <vector>

class QSocketNotifier;

// Carries termination signals into the event loop. The handler does the only
// thing a handler may safely do, write one byte to a pipe; the loop reads it and
// emits received(), and each program decides there how it ends, so no nested
// wait is cut short in the middle of its caller. A signal the process was started
// with ignored stays ignored, as the parent meant.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    TerminationSignals(std::initializer_list<int> handled, QObject* parent = nullptr);
    ~TerminationSignals() override;

    static void terminate(int signal);
    // Takes the signals back from a library that put its own handlers in since
    // (the client's browser engine does when it starts).
    void reclaim();

signals:
    void received();

private slots:
    void onSignalled();

private:
    static void handle(int signal);

    struct Previous {
        int signal;
        struct sigaction action;
    };

    QSocketNotifier* notifier = nullptr;
    std::vector<Previous> previous;
};
