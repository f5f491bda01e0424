#pragma once

#include "WiFiNotifficationListener.h"

#include <QStringList>
#include <QVariantMap>

// Follows NetworkManager on the system bus: a Wi-Fi device that switches its
// access point has joined another network (or left one). Without a system bus
// or NetworkManager nothing is ever reported.
class NetworkManagerWiFiListener : public WiFiNotifficationListener
{
    Q_OBJECT
public:
    explicit NetworkManagerWiFiListener(QObject* parent);

private slots:
    void onPropertiesChanged(const QString& interfaceName, const QVariantMap& changed,
                             const QStringList& invalidated);
};
