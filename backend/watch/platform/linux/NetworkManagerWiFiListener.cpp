#include "NetworkManagerWiFiListener.h"

#include <QDBusConnection>
#include <QDebug>

namespace {
const QString Service = QStringLiteral("org.freedesktop.NetworkManager");
const QString WirelessDevice = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
const QString ActiveAccessPoint = QStringLiteral("ActiveAccessPoint");
}

NetworkManagerWiFiListener::NetworkManagerWiFiListener(QObject* parent)
    : WiFiNotifficationListener(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qDebug() << "network watching: no system bus, Wi-Fi changes are not followed";
        return;
    }
    // Any object path: NetworkManager numbers its devices as they come and go.
    bus.connect(Service, QString(), QStringLiteral("org.freedesktop.DBus.Properties"),
                QStringLiteral("PropertiesChanged"), this,
                SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
}

void NetworkManagerWiFiListener::onPropertiesChanged(const QString& interfaceName, const QVariantMap& changed,
                                                     const QStringList& invalidated)
{
    if (interfaceName == WirelessDevice
        && (changed.contains(ActiveAccessPoint) || invalidated.contains(ActiveAccessPoint)))
        handleNotification();
}
