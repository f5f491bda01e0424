#pragma once

#include "NetworkPlatform.h"

#include <QDBusConnection>
#include <QVariant>

// The few questions the backend puts to NetworkManager over the system bus.
// Every call is bounded by a short time-out and never starts the service; when
// NetworkManager does not run, every answer is "nothing".
class NetworkManagerClient
{
public:
    explicit NetworkManagerClient(const QDBusConnection& bus = QDBusConnection::systemBus());

    // The network the first Wi-Fi device is joined to.
    NetworkPlatform::WifiNetwork activeWifiNetwork() const;
    bool hasAccessPoints(const QString& interfaceName) const;
    // Switches wireless networking on. Returns an error text, empty on success.
    QString enableWireless() const;
    // Activates the device's connection again, which renews its DHCP lease.
    // False when NetworkManager does not manage the interface.
    bool reactivate(const QString& interfaceName, QString& error) const;

    // The kind of protection an access point announces, as a WlanSecurityKind
    // value, or NetworkPlatform::NoSecurityKind for kinds outside that table.
    static int securityKindFromFlags(uint flags, uint wpaFlags, uint rsnFlags);

private:
    QVariant property(const QString& path, const QString& interface, const QString& name) const;
    QList<QVariant> call(const QString& path, const QString& interface, const QString& method,
                         const QList<QVariant>& arguments, QString* error = nullptr) const;
    QString deviceOf(const QString& interfaceName) const;

    QDBusConnection m_bus;
};
