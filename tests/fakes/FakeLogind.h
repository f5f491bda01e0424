#pragma once

#include "BusServiceHost.h"

#include <QList>
#include <QString>
#include <QStringList>

class LogindManager;

// logind as a test's bus shows it: the name "org.freedesktop.login1", Inhibit
// handing out locks whose release it sees, and PrepareForSleep sent when the
// test says so.
class FakeLogind
{
public:
    explicit FakeLogind(const QString& busAddress);
    ~FakeLogind();

    bool isRunning() const { return m_host.isRunning(); }
    QDBusConnection connection() const { return m_host.connection(); }

    // The signal as logind sends it: true before sleep, false after wake.
    bool prepareForSleep(bool start) const;
    // Every Inhibit call so far, as its arguments: what, who, why, mode.
    QList<QStringList> inhibitCalls() const;
    // Whether the lock handed out to the index-th call is still open somewhere.
    bool isHeld(int index) const;

private:
    LogindManager* const m_manager;
    BusServiceHost m_host;
};
