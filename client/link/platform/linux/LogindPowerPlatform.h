#pragma once

#include "PowerPlatform.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

class QDBusPendingCallWatcher;

// Sleep and wake as logind announces them on the system bus. While awake it
// holds a delay lock, so that the computer waits for the receivers of sleeping()
// (up to logind's own limit) before it sleeps; the lock is given back once they
// have returned and taken anew on wake.
class LogindPowerPlatform : public PowerPlatform
{
    Q_OBJECT
public:
    explicit LogindPowerPlatform(const QDBusConnection& bus, QObject* parent = nullptr);

private slots:
    void onPrepareForSleep(bool start);

private:
    void takeInhibitor();
    void onInhibitorReply(QDBusPendingCallWatcher* call);

    QDBusConnection m_bus;
    QDBusUnixFileDescriptor m_inhibitor;
    bool m_sleeping = false;
};
