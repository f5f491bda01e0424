#include "LinuxLocalReachability.h"

#include "HostResolver.h"
#include "LinuxInterfaces.h"
#include "NetlinkChangeMonitor.h"

LinuxLocalReachability::LinuxLocalReachability(HostResolver* reportedHost, QObject* parent)
    : Reachability(Local, parent)
    , monitor(new NetlinkChangeMonitor(this))
{
    connect(monitor, &NetlinkChangeMonitor::changed, this, &LinuxLocalReachability::onNetworkChanged);
    connect(reportedHost, &HostResolver::addressesChanged, this, &LinuxLocalReachability::onNetworkChanged);
}

bool LinuxLocalReachability::startNotifier()
{
    return monitor->open();
}

void LinuxLocalReachability::stopNotifier()
{
    monitor->close();
}

void LinuxLocalReachability::onNetworkChanged()
{
    if (monitor->isOpen())
        notify(LinuxInterfaces::anyConnectedWithIPv4() ? quint32(Reachable) : 0u);
}
