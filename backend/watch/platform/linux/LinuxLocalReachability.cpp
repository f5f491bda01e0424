#include "LinuxLocalReachability.h"

#include "LinuxInterfaces.h"
#include "NetlinkChangeMonitor.h"

LinuxLocalReachability::LinuxLocalReachability(QObject* parent)
    : Reachability(Local, parent)
    , monitor(new NetlinkChangeMonitor(this))
{
    connect(monitor, &NetlinkChangeMonitor::changed, this, &LinuxLocalReachability::onNetworkChanged);
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
    notify(LinuxInterfaces::anyConnectedWithIPv4() ? quint32(Reachable) : 0u);
}
