#pragma once

#include "WatchPlatform.h"

// Network watching on Linux: kernel routing messages in place of reachability
// callbacks, NetworkManager's access-point changes in place of Wi-Fi
// notifications.
class LinuxWatchPlatform : public WatchPlatform
{
public:
    Reachability* createReachability(int kind, QObject* parent) override;
    WiFiNotifficationListener* createWiFiListener(QObject* parent) override;
};
