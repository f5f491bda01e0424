#pragma once

#include "KernelNetworkSnapshot.h"
#include "NetworkManagerClient.h"
#include "NetworkPlatform.h"

// The network of a Linux machine: interfaces and routes from the kernel, address
// lifetimes from ip(8), Wi-Fi from NetworkManager when it runs and rfkill, DNS in
// resolv.conf. Every tool is run by its absolute path.
class LinuxNetworkPlatform : public NetworkPlatform
{
public:
    explicit LinuxNetworkPlatform(const QString& resolvConfPath = QStringLiteral("/etc/resolv.conf"),
                                  const QString& sysfsRoot = QStringLiteral("/sys"));

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
    void beginReading() override;
    void endReading() override;

private:
    static ServiceKind kindOf(const KernelNetworkSnapshot::Link& link);
    bool rfkillBlocked(const QString& rfkillDir) const;
    QStringList wifiRfkillDirs() const;

    // The service that last carried the default route, and its router. Here the
    // routing table is all there is to tell which service is primary, and a tunnel
    // takes the default route over (or a crash takes it away) while that service
    // is still the way onto the network.
    QString m_lastPrimary;
    QString m_lastRouter;

    QString m_resolvConfPath;
    QString m_sysfsRoot;
    KernelNetworkSnapshot m_kernel;
    NetworkManagerClient m_networkManager;
};
