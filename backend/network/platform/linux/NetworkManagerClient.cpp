#include "NetworkManagerClient.h"

#include "WirelessSecurity.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

const QString NmService = QStringLiteral("org.freedesktop.NetworkManager");
const QString NmPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString NmInterface = NmService;
const QString DeviceInterface = NmService + QStringLiteral(".Device");
const QString WirelessInterface = NmService + QStringLiteral(".Device.Wireless");
const QString AccessPointInterface = NmService + QStringLiteral(".AccessPoint");
const QString ActiveConnectionInterface = NmService + QStringLiteral(".Connection.Active");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString NoObject = QStringLiteral("/");

// NetworkManager answers within milliseconds when it runs; the backend's main
// thread must not wait on one that hangs.
const int CallTimeoutMs = 1000;

const uint DeviceTypeWifi = 2;

// Access point flags as NetworkManager announces them.
const uint ApPrivacy = 0x1;
const uint KeyMgmtPsk = 0x100;
const uint KeyMgmt8021x = 0x200;
const uint KeyMgmtSae = 0x400;
const uint KeyMgmtEapSuiteB192 = 0x2000;

QString objectPath(const QVariant& value)
{
    return value.value<QDBusObjectPath>().path();
}

QList<QDBusObjectPath> objectPaths(const QVariant& value)
{
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QList<QDBusObjectPath>>(value.value<QDBusArgument>());
    return value.value<QList<QDBusObjectPath>>();
}

bool isObject(const QString& path)
{
    return !path.isEmpty() && path != NoObject;
}

} // namespace

NetworkManagerClient::NetworkManagerClient(const QDBusConnection& bus)
    : m_bus(bus)
{
}

QList<QVariant> NetworkManagerClient::call(const QString& path, const QString& interface,
                                           const QString& method, const QList<QVariant>& arguments,
                                           QString* error) const
{
    if (!m_bus.isConnected())
        return {};
    QDBusMessage message = QDBusMessage::createMethodCall(NmService, path, interface, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, CallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (error)
            *error = reply.errorName() + QStringLiteral(": ") + reply.errorMessage();
        return {};
    }
    return reply.arguments();
}

QVariant NetworkManagerClient::property(const QString& path, const QString& interface,
                                        const QString& name) const
{
    const QList<QVariant> reply = call(path, PropertiesInterface, QStringLiteral("Get"), {interface, name});
    return reply.isEmpty() ? QVariant() : reply.first().value<QDBusVariant>().variant();
}

QString NetworkManagerClient::deviceOf(const QString& interfaceName) const
{
    const QList<QVariant> reply =
        call(NmPath, NmInterface, QStringLiteral("GetDeviceByIpIface"), {interfaceName});
    return reply.isEmpty() ? QString() : objectPath(reply.first());
}

NetworkPlatform::WifiNetwork NetworkManagerClient::activeWifiNetwork() const
{
    const QList<QVariant> reply = call(NmPath, NmInterface, QStringLiteral("GetDevices"), {});
    if (reply.isEmpty())
        return {};
    for (const QDBusObjectPath& device : objectPaths(reply.first())) {
        if (property(device.path(), DeviceInterface, QStringLiteral("DeviceType")).toUInt() != DeviceTypeWifi)
            continue;
        const QString ap = objectPath(property(device.path(), WirelessInterface,
                                               QStringLiteral("ActiveAccessPoint")));
        if (!isObject(ap))
            return {};
        NetworkPlatform::WifiNetwork wifi;
        wifi.ssid = QString::fromUtf8(property(ap, AccessPointInterface, QStringLiteral("Ssid")).toByteArray());
        wifi.securityKind = securityKindFromFlags(
            property(ap, AccessPointInterface, QStringLiteral("Flags")).toUInt(),
            property(ap, AccessPointInterface, QStringLiteral("WpaFlags")).toUInt(),
            property(ap, AccessPointInterface, QStringLiteral("RsnFlags")).toUInt());
        return wifi;
    }
    return {};
}

bool NetworkManagerClient::hasAccessPoints(const QString& interfaceName) const
{
    const QString device = deviceOf(interfaceName);
    if (!isObject(device))
        return false;
    const QList<QVariant> reply = call(device, WirelessInterface, QStringLiteral("GetAllAccessPoints"), {});
    return !reply.isEmpty() && !objectPaths(reply.first()).isEmpty();
}

QString NetworkManagerClient::enableWireless() const
{
    QString error;
    call(NmPath, PropertiesInterface, QStringLiteral("Set"),
         {NmInterface, QStringLiteral("WirelessEnabled"), QVariant::fromValue(QDBusVariant(true))}, &error);
    // Without NetworkManager there is nobody to tell; rfkill did the switching.
    if (error.startsWith(QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
        || error.startsWith(QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")))
        return {};
    return error;
}

bool NetworkManagerClient::reactivate(const QString& interfaceName, QString& error) const
{
    const QString device = deviceOf(interfaceName);
    if (!isObject(device))
        return false;
    const QString active = objectPath(property(device, DeviceInterface, QStringLiteral("ActiveConnection")));
    if (!isObject(active))
        return false;
    const QString connection = objectPath(property(active, ActiveConnectionInterface, QStringLiteral("Connection")));
    if (!isObject(connection))
        return false;
    call(NmPath, NmInterface, QStringLiteral("ActivateConnection"),
         {QVariant::fromValue(QDBusObjectPath(connection)), QVariant::fromValue(QDBusObjectPath(device)),
          QVariant::fromValue(QDBusObjectPath(NoObject))},
         &error);
    return true;
}

int NetworkManagerClient::securityKindFromFlags(uint flags, uint wpaFlags, uint rsnFlags)
{
    if (!wpaFlags && !rsnFlags)
        return int((flags & ApPrivacy) ? WlanSecurityKind::Wep : WlanSecurityKind::None);

    const uint keyManagement = wpaFlags | rsnFlags;
    const bool enterprise = keyManagement & (KeyMgmt8021x | KeyMgmtEapSuiteB192);
    const bool personal = keyManagement & (KeyMgmtPsk | KeyMgmtSae);
    if (!enterprise && !personal)
        return NetworkPlatform::NoSecurityKind;
    if (wpaFlags && rsnFlags)
        return int(enterprise ? WlanSecurityKind::WpaEnterpriseMixed : WlanSecurityKind::WpaPersonalMixed);
    if (rsnFlags)
        return int(enterprise ? WlanSecurityKind::Wpa2Enterprise : WlanSecurityKind::Wpa2Personal);
    return int(enterprise ? WlanSecurityKind::WpaEnterprise : WlanSecurityKind::WpaPersonal);
}
