#include "LinuxWatchPlatform.h"

#include "HostResolver.h"
#include "LinuxInternetReachability.h"
#include "LinuxLocalReachability.h"
#include "NetworkManagerWiFiListener.h"
#include "OperatorWebHost.h"

Reachability* LinuxWatchPlatform::createReachability(int kind, QObject* parent)
{
    const QString webHost = QString::fromLatin1(OperatorWebHost);
    switch (kind) {
    case Reachability::Local:
        return new LinuxLocalReachability(HostResolver::forHost(webHost), parent);
    case Reachability::Internet:
        return new LinuxInternetReachability(webHost, parent);
    default:
        return nullptr;
    }
}

WiFiNotifficationListener* LinuxWatchPlatform::createWiFiListener(QObject* parent)
{
    return new NetworkManagerWiFiListener(parent);
}
