#include "LogindPowerPlatform.h"

#include <QCoreApplication>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>

#include <utility>

namespace {

const QString Service = QStringLiteral("org.freedesktop.login1");
const QString Path = QStringLiteral("/org/freedesktop/login1");
const QString Manager = QStringLiteral("org.freedesktop.login1.Manager");

} // namespace

LogindPowerPlatform::LogindPowerPlatform(const QDBusConnection& bus, QObject* parent)
    : PowerPlatform(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected()) {
        qWarning().noquote() << "PowerNotifier: no system bus, sleep and wake are not followed:"
                             << m_bus.lastError().message();
        return;
    }
    // Any program on the bus may send a signal of that name; naming the service
    // lets through only the one from the owner of logind's name.
    m_bus.connect(Service, Path, Manager, QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
    takeInhibitor();
}

void LogindPowerPlatform::onPrepareForSleep(bool start)
{
    if (!start) {
        qDebug("PowerNotifier: the computer woke up");
        m_sleeping = false;
        takeInhibitor();
        emit woken();
        return;
    }
    qDebug("PowerNotifier: the computer is going to sleep");
    m_sleeping = true;
    // Given back when the receivers are done, even if they wait in event loops of
    // their own meanwhile, in which a wake may already take the next lock.
    const QDBusUnixFileDescriptor held = std::exchange(m_inhibitor, QDBusUnixFileDescriptor());
    emit sleeping();
}

void LogindPowerPlatform::takeInhibitor()
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Manager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QCoreApplication::applicationName()
         << QStringLiteral("The VPN connection is closed before the computer sleeps") << QStringLiteral("delay");
    auto* const watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &LogindPowerPlatform::onInhibitorReply);
}

void LogindPowerPlatform::onInhibitorReply(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *call;
    if (reply.isError()) {
        qWarning().noquote() << "PowerNotifier: logind gives no sleep delay, sleep and wake are not followed:"
                             << reply.error().name() << reply.error().message();
        return;
    }
    // A lock that comes when the computer is already on its way to sleep would
    // only hold it up.
    if (!m_sleeping)
        m_inhibitor = reply.value();
}
