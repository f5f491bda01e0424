#pragma once

#include "Reachability.h"

class NetlinkChangeMonitor;

// The local network is reachable while some interface is connected with an IPv4
// address; every kernel network change reports the flags afresh.
class LinuxLocalReachability : public Reachability
{
    Q_OBJECT
public:
    explicit LinuxLocalReachability(QObject* parent);

    bool startNotifier() override;
    void stopNotifier() override;

private:
    void onNetworkChanged();

    NetlinkChangeMonitor* monitor;
};
