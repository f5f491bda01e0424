#pragma once

#include "ConnectionPhysicalState.h"
#include "WirelessSecurity.h"

#include <QString>
#include <QStringList>

// What the backend knows about the network at one moment, as the eight values of
// the "OZM_LOCAL_CONNECTION_IS_CHANGED" event carry it.
struct LocalConnectionState
{
    ConnectionPhysicalState physicalState = Connected;
    bool secured = false;
    bool enabled = false;
    QString connectionType;
    QString wifiName;
    WirelessSecurity wifiSecurity = SecurityUnknown;
    bool wifiAdapterPresent = true;
    bool wifiPowerOn = false;

    QStringList toValues() const;
};
