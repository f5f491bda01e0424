#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What NetworkCtl needs to learn from, and do to, the operating system's
// network. NetworkCtl makes every decision; an implementation only reports
// facts and carries out the changes it is asked for.
class NetworkPlatform
{
public:
    enum class ServiceKind { Wireless, Ppp, Other };

    // One network service: a configured way onto a network, usually one interface.
    struct Service
    {
        QString id;             // key for ipv4ConfigMethod(), ipv4Router(), setDnsServers()
        QString name;           // what a person calls it
        QString interfaceName;  // empty when the service has no interface of its own
        ServiceKind kind = ServiceKind::Other;
        bool enabled = false;
        bool linkActive = false;
        bool wifiPowered = false;   // read for Wireless services only
        bool hasIPv4Address = false;
    };

    // The service that carries the IPv4 default route.
    struct PrimaryService
    {
        QString interfaceName;
        QString serviceId;
        QString details;  // the raw answer the lookup saw, for the log when it found nothing
    };

    // A WlanSecurityKind value, or this when there is no Wi-Fi interface, it is
    // not joined, or the network's protection is none of the known kinds.
    static constexpr int NoSecurityKind = -1;

    struct WifiNetwork
    {
        QString ssid;  // empty when not joined
        int securityKind = NoSecurityKind;
    };

    virtual ~NetworkPlatform() = default;

    // False when the network configuration cannot be read at all.
    virtual bool services(QList<Service>& out) = 0;
    // Whether a scan of this Wi-Fi interface sees at least one network.
    virtual bool wifiNetworksInRange(const QString& interfaceName) = 0;
    // True unless the Wi-Fi adapter is known to be switched off.
    virtual bool wifiAdapterPowered() = 0;
    // Returns what the switching reported; empty when it had nothing to say.
    virtual QString switchWifiOn() = 0;
    virtual PrimaryService primaryService() = 0;
    // "DHCP", "INFORM", "Manual", ...; empty when unknown.
    virtual QString ipv4ConfigMethod(const QString& serviceId) = 0;
    // The IPv4 router the service is configured with; empty when none.
    virtual QString ipv4Router(const QString& serviceId) = 0;
    // Returns the output of the renewal; empty when it had nothing to say.
    virtual QString renewDhcpLease(const QString& interfaceName) = 0;
    // Makes servers the only DNS servers of the service, with domain as its
    // domain and search domain. Returns the output; empty when all went well.
    virtual QString setDnsServers(const QString& serviceId, const QStringList& servers,
                                  const QString& domain) = 0;
    // The host resolves and can be reached directly over a network that is up now.
    virtual bool hostReachable(const QString& host) = 0;
    // Some interface has a link and an IPv4 address, so the local network is reachable.
    virtual bool linkLocalNetworkReachable() = 0;
    virtual WifiNetwork currentWifiNetwork() = 0;

    // Between these, the answers may all come from one look at the system, as
    // the questions that make up one decision are about one moment. Pairs nest.
    virtual void beginReading() {}
    virtual void endReading() {}
};
