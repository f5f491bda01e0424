#include "TerminationSignals.h"

#include <QDebug>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};
}

TerminationSignals::TerminationSignals(std::initializer_list<int> handled, QObject* parent)
    : QObject(parent)
{
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCritical() << "Signal pipe unavailable, errno" << errno;
        return;
    }
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::onSignalled);
    for (const int signal : handled) {
        Previous replaced{signal, {}};
        sigaction(signal, nullptr, &replaced.action);
        previous.push_back(replaced);
        if (replaced.action.sa_handler != SIG_IGN)
            handle(signal);
    }
}

void TerminationSignals::handle(int signal)
{
    struct sigaction action {};
    action.sa_handler = &TerminationSignals::terminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

void TerminationSignals::reclaim()
{
    if (!notifier)
        return;
    for (const Previous& replaced : previous)
        if (replaced.action.sa_handler != SIG_IGN)
            handle(replaced.signal);
}

TerminationSignals::~TerminationSignals()
{
    if (!notifier)
        return;
    // The handlers go before the pipe does, so a late signal never writes to a
    // closed (or reused) descriptor.
    for (const Previous& replaced : previous)
        sigaction(replaced.signal, &replaced.action, nullptr);
    close(signalPipe[0]);
    close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void TerminationSignals::terminate(int signal)
{
    const int savedErrno = errno;
    const char byte = char(signal);
    const ssize_t written = write(signalPipe[1], &byte, 1);
    Q_UNUSED(written) // a full pipe already holds a pending exit
    errno = savedErrno;
}

void TerminationSignals::onSignalled()
{
    char bytes[16];
    while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    emit received();
}
