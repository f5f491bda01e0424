#pragma once

#include "NetworkPlatform.h"

#include <QSet>

// A network that tests script by setting the public fields. While it lives it
// is the platform NetworkCtl asks; its destructor puts the machine's own back.
// Every question and change is recorded in `calls`, e.g. "primaryService",
// "renewDhcpLease eth0", "setDnsServers eth0 8.8.8.8 openvpn".
class FakeNetworkPlatform : public NetworkPlatform
{
public:
    FakeNetworkPlatform();
    ~FakeNetworkPlatform() override;

    FakeNetworkPlatform(const FakeNetworkPlatform&) = delete;
    FakeNetworkPlatform& operator=(const FakeNetworkPlatform&) = delete;

    // An enabled service with link, IPv4 address and (for Wi-Fi) power; id and
    // name are the interface name.
    static Service connectedService(ServiceKind kind, const QString& interfaceName);

    // Makes interfaceName (service id alike) the answer to every primaryService().
    void setPrimary(const QString& interfaceName);

    bool servicesReadable = true;
    QList<Service> serviceList;
    QSet<QString> interfacesWithNetworksInRange;
    bool adapterPowered = true;
    QString switchWifiOnOutput;
    // Answered front first, one per call; the last one keeps being answered.
    // Empty: no primary service.
    QList<PrimaryService> primaryAnswers;
    QString configMethod;
    QString router;
    QString renewOutput;
    QString dnsOutput;
    QSet<QString> reachableHosts;
    bool linkLocalReachable = false;
    WifiNetwork wifi;

    QStringList calls;

    bool services(QList<Service>& out) override;
    bool wifiNetworksInRange(const QString& interfaceName) override;
    bool wifiAdapterPowered() override;
    QString switchWifiOn() override;
    PrimaryService primaryService() override;
    QString ipv4ConfigMethod(const QString& serviceId) override;
    QString ipv4Router(const QString& serviceId) override;
    QString renewDhcpLease(const QString& interfaceName) override;
    QString setDnsServers(const QString& serviceId, const QStringList& servers,
                          const QString& domain) override;
    bool hostReachable(const QString& host) override;
    bool linkLocalNetworkReachable() override;
    WifiNetwork currentWifiNetwork() override;
};
