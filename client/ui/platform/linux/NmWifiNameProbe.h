#pragma once

#include "WifiNameProbe.h"

#include <QDBusConnection>
#include <QVariant>

// NetworkManager on the system bus: the devices of its active connections, and
// the name of the access point a wireless one is joined to.
class NmWifiNameProbe : public WifiNameProbe
{
public:
    explicit NmWifiNameProbe(const QDBusConnection& bus = QDBusConnection::systemBus());

    QStringList activeDevices() override;
    QString networkName(const QString& device, int timeoutMs) override;

private:
    // The property's value; invalid when NetworkManager gave no answer in time.
    QVariant property(const QString& path, const QString& interface, const QString& name, int timeoutMs) const;

    QDBusConnection m_bus;
};
