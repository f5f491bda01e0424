#pragma once

#include <QMetaType>

enum ConnectionPhysicalState : int {
    Connected = 0,
    NoInternetConnection = 1,
    WifiDisabled = 2,
    NoIpConfigured = 3,
    NoWirelessNetworks = 4,
    WirelessNetworksAvailable = 5,
};

Q_DECLARE_METATYPE(ConnectionPhysicalState)
