#include "NmWifiNameProbe.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

const QString NmService = QStringLiteral("org.freedesktop.NetworkManager");
const QString NmPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString ActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString WirelessInterface = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
const QString AccessPointInterface = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");
const QString NoObject = QStringLiteral("/");
// The bound on each question the device list takes.
constexpr int ListWaitMs = 3000;

QStringList objectPaths(const QVariant& value)
{
    const QList<QDBusObjectPath> paths = value.canConvert<QDBusArgument>()
                                             ? qdbus_cast<QList<QDBusObjectPath>>(value.value<QDBusArgument>())
                                             : value.value<QList<QDBusObjectPath>>();
    QStringList result;
    for (const QDBusObjectPath& path : paths)
        result << path.path();
    return result;
}

} // namespace

NmWifiNameProbe::NmWifiNameProbe(const QDBusConnection& bus)
    : m_bus(bus)
{
}

QStringList NmWifiNameProbe::activeDevices()
{
    QStringList devices;
    const QStringList active = objectPaths(property(NmPath, NmService, QStringLiteral("ActiveConnections"), ListWaitMs));
    for (const QString& connection : active) {
        for (const QString& device : objectPaths(property(connection, ActiveInterface, QStringLiteral("Devices"), ListWaitMs))) {
            if (!devices.contains(device))
                devices << device;
        }
    }
    return devices;
}

// The name is the access point's bytes; any other answer, an empty name
// (a hidden network) or none at all, names nothing.
QString NmWifiNameProbe::networkName(const QString& device, int timeoutMs)
{
    const QString accessPoint =
        property(device, WirelessInterface, QStringLiteral("ActiveAccessPoint"), timeoutMs).value<QDBusObjectPath>().path();
    if (accessPoint.isEmpty() || accessPoint == NoObject)
        return QString();
    const QVariant ssid = property(accessPoint, AccessPointInterface, QStringLiteral("Ssid"), timeoutMs);
    if (ssid.userType() != QMetaType::QByteArray || ssid.toByteArray().isEmpty())
        return QString();
    return QString::fromUtf8(ssid.toByteArray());
}

QVariant NmWifiNameProbe::property(const QString& path, const QString& interface, const QString& name,
                                   int timeoutMs) const
{
    if (!m_bus.isConnected())
        return QVariant();
    QDBusMessage message =
        QDBusMessage::createMethodCall(NmService, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("Get"));
    message.setArguments({interface, name});
    message.setAutoStartService(false);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QVariant();
    return reply.arguments().first().value<QDBusVariant>().variant();
}
