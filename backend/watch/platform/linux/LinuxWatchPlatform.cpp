#include "LinuxWatchPlatform.h"

#include "LinuxInternetReachability.h"
#include "LinuxLocalReachability.h"
#include "NetworkManagerWiFiListener.h"
#include "OperatorWebHost.h"

Reachability* LinuxWatchPlatform::createReachability(int kind, QObject* parent)
{
    switch (kind) {
    case Reachability::Local:
        return new LinuxLocalReachability(parent);
    case Reachability::Internet:
        return new LinuxInternetReachability(QString::fromLatin1(OperatorWebHost), parent);
    default:
        return nullptr;
    }
}

WiFiNotifficationListener* LinuxWatchPlatform::createWiFiListener(QObject* parent)
{
    return new NetworkManagerWiFiListener(parent);
}
