#include "NetworkReport.h"

#include <ConnectionChecker.h>
#include <NetworkCtl.h>

LocalConnectionState currentNetworkReport()
{
    const NetworkCtl::OneReading reading;
    LocalConnectionState report;
    report.physicalState = ConnectionChecker::currentPhysicalState();
    report.secured = NetworkCtl::isConnectionSecured();
    report.enabled = NetworkCtl::isConnectionEnabled();
    report.connectionType = NetworkCtl::typeOfNetworkConnectionReadable();
    NetworkCtl::getWifiStatus(report.wifiName, report.wifiSecurity);
    report.wifiAdapterPresent = NetworkCtl::checkWiFiAdapter(report.wifiPowerOn);
    return report;
}
