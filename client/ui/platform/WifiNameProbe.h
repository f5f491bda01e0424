#pragma once

#include <QString>
#include <QStringList>

// Where the status window learns the name of the Wi-Fi network when the
// backend's report carried none: the system is asked device by device.
class WifiNameProbe
{
public:
    virtual ~WifiNameProbe() = default;

    // The network devices in use, in the system's order.
    virtual QStringList activeDevices() = 0;
    // The name of the Wi-Fi network the device is on; null when the system
    // gives no readable name within timeoutMs.
    virtual QString networkName(const QString& device, int timeoutMs) = 0;
};
