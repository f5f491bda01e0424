#include "ConnectionChecker.h"

#include "NetworkCtl.h"

#include <QDebug>

namespace {

struct ServiceFlags
{
    bool anyAddress = false;
    bool wifiDisabled = false;
    bool wirelessAvailable = false;
    bool noWireless = false;
    bool noAddress = false;
};

ServiceFlags walk(const QList<NetworkConnection>& connections)
{
    ServiceFlags flags;
    for (const NetworkConnection& c : connections) {
        const bool wireless = c.type == NetworkConnection::Wireless;
        const bool usable = c.enabled && c.powerOn;
        flags.anyAddress |= c.hasAddress;
        flags.wifiDisabled |= wireless && !usable;
        flags.wirelessAvailable |= wireless && usable && !c.linkActive && c.networksAvailable;
        flags.noWireless |= wireless && usable && !c.linkActive && !c.networksAvailable;
        flags.noAddress |= usable && c.linkActive && !c.hasAddress;
    }
    return flags;
}

ConnectionPhysicalState decide(const ServiceFlags& flags)
{
    if (flags.anyAddress)
        return NetworkCtl::isInternetConnectionExisted() ? Connected : NoInternetConnection;
    if (flags.wirelessAvailable)
        return WirelessNetworksAvailable;
    if (flags.noWireless)
        return NoWirelessNetworks;
    if (flags.wifiDisabled)
        return WifiDisabled;
    if (flags.noAddress)
        return NoIpConfigured;
    return NoInternetConnection;
}

const char* logLine(ConnectionPhysicalState state)
{
    switch (state) {
    case Connected:
        return "ConnectionPhysicalState - Connected";
    case WifiDisabled:
        return "ConnectionPhysicalState - WifiDisabled";
    case NoIpConfigured:
        return "ConnectionPhysicalState - NoIpConfigured";
    case NoWirelessNetworks:
        return "ConnectionPhysicalState - NoWirelessNetworks";
    case WirelessNetworksAvailable:
        return "ConnectionPhysicalState - WirelessNetworksAvailable";
    case NoInternetConnection:
        break;
    }
    return "ConnectionPhysicalState - NoInternetConnection";
}

} // namespace

ConnectionPhysicalState ConnectionChecker::currentPhysicalState()
{
    const ConnectionPhysicalState state = decide(walk(NetworkCtl::getNetworkConnections(false)));
    qDebug() << logLine(state);
    return state;
}
