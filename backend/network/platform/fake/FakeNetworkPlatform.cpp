#include "FakeNetworkPlatform.h"

#include "NetworkCtl.h"

FakeNetworkPlatform::FakeNetworkPlatform()
{
    NetworkCtl::setPlatform(this);
}

FakeNetworkPlatform::~FakeNetworkPlatform()
{
    NetworkCtl::setPlatform(nullptr);
}

NetworkPlatform::Service FakeNetworkPlatform::connectedService(ServiceKind kind,
                                                               const QString& interfaceName)
{
    Service s;
    s.id = interfaceName;
    s.name = interfaceName;
    s.interfaceName = interfaceName;
    s.kind = kind;
    s.enabled = true;
    s.linkActive = true;
    s.wifiPowered = true;
    s.hasIPv4Address = true;
    return s;
}

void FakeNetworkPlatform::setPrimary(const QString& interfaceName)
{
    primaryAnswers = {PrimaryService{interfaceName, interfaceName, interfaceName}};
}

bool FakeNetworkPlatform::services(QList<Service>& out)
{
    calls << QStringLiteral("services");
    if (servicesReadable)
        out = serviceList;
    return servicesReadable;
}

bool FakeNetworkPlatform::wifiNetworksInRange(const QString& interfaceName)
{
    calls << QStringLiteral("wifiNetworksInRange ") + interfaceName;
    return interfacesWithNetworksInRange.contains(interfaceName);
}

bool FakeNetworkPlatform::wifiAdapterPowered()
{
    calls << QStringLiteral("wifiAdapterPowered");
    return adapterPowered;
}

QString FakeNetworkPlatform::switchWifiOn()
{
    calls << QStringLiteral("switchWifiOn");
    return switchWifiOnOutput;
}

NetworkPlatform::PrimaryService FakeNetworkPlatform::primaryService()
{
    calls << QStringLiteral("primaryService");
    if (primaryAnswers.isEmpty())
        return {};
    return primaryAnswers.size() > 1 ? primaryAnswers.takeFirst() : primaryAnswers.first();
}

QString FakeNetworkPlatform::ipv4ConfigMethod(const QString& serviceId)
{
    calls << QStringLiteral("ipv4ConfigMethod ") + serviceId;
    return configMethod;
}

QString FakeNetworkPlatform::ipv4Router(const QString& serviceId)
{
    calls << QStringLiteral("ipv4Router ") + serviceId;
    return router;
}

QString FakeNetworkPlatform::renewDhcpLease(const QString& interfaceName)
{
    calls << QStringLiteral("renewDhcpLease ") + interfaceName;
    return renewOutput;
}

QString FakeNetworkPlatform::setDnsServers(const QString& serviceId, const QStringList& servers,
                                           const QString& domain)
{
    calls << QStringLiteral("setDnsServers %1 %2 %3").arg(serviceId, servers.join(','), domain);
    return dnsOutput;
}

bool FakeNetworkPlatform::hostReachable(const QString& host)
{
    calls << QStringLiteral("hostReachable ") + host;
    return reachableHosts.contains(host);
}

bool FakeNetworkPlatform::linkLocalNetworkReachable()
{
    calls << QStringLiteral("linkLocalNetworkReachable");
    return linkLocalReachable;
}

NetworkPlatform::WifiNetwork FakeNetworkPlatform::currentWifiNetwork()
{
    calls << QStringLiteral("currentWifiNetwork");
    return wifi;
}
