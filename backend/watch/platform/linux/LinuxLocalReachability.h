#pragma once

#include "Reachability.h"

class HostResolver;
class NetlinkChangeMonitor;

// The local network is reachable while some interface is connected with an IPv4
// address; every kernel network change reports the flags afresh. So does every
// change in the addresses of the host that the network report calls reachable or
// not: its name may resolve only after the report that needed it went out.
class LinuxLocalReachability : public Reachability
{
    Q_OBJECT
public:
    LinuxLocalReachability(HostResolver* reportedHost, QObject* parent);

    bool startNotifier() override;
    void stopNotifier() override;

private:
    void onNetworkChanged();

    NetlinkChangeMonitor* const monitor;
};
