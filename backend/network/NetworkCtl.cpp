#include "NetworkCtl.h"

#include "LinuxNetworkPlatform.h"
#include "NetworkPlatform.h"
#include "OperatorWebHost.h"

#include <QDebug>
#include <QRegularExpression>

namespace {

// Public DNS put in place when the network's own DNS is lost.
const QString FallbackDnsServer = QStringLiteral("8.8.8.8");
const QString FallbackDnsDomain = QStringLiteral("openvpn");

// A lookup of the primary interface can miss while the system is still
// settling after a change, so it is asked again this many times.
const int PrimaryInterfaceRetries = 5;

NetworkPlatform* installedPlatform = nullptr;

// Logs what was found as foundPrefix + value, or missingLine when nothing was.
QString logged(const QString& value, const char* foundPrefix, const char* missingLine)
{
    if (value.isEmpty())
        qDebug().noquote() << missingLine;
    else
        qDebug().noquote() << QLatin1String(foundPrefix) + value;
    return value;
}

QString getDefaultNetworkService()
{
    return logged(NetworkCtl::platform().primaryService().serviceId, "NetworkCtl: PrimaryService: ",
                  "NetworkCtl: PrimaryService is not found");
}

NetworkConnection::Type connectionType(NetworkPlatform::ServiceKind kind)
{
    switch (kind) {
    case NetworkPlatform::ServiceKind::Wireless:
        return NetworkConnection::Wireless;
    case NetworkPlatform::ServiceKind::Ppp:
        return NetworkConnection::Ppp;
    case NetworkPlatform::ServiceKind::Other:
        break;
    }
    return NetworkConnection::Wired;
}

NetworkConnection toConnection(const NetworkPlatform::Service& service, bool skipScan)
{
    NetworkConnection c;
    c.serviceName = service.name;
    c.type = connectionType(service.kind);
    c.enabled = service.enabled;

    if (!service.interfaceName.isEmpty()) {
        c.interfaceName = service.interfaceName;
        c.linkActive = service.linkActive;
        if (c.type != NetworkConnection::Wireless) {
            c.powerOn = true;
            c.networksAvailable = true;
        } else {
            c.powerOn = service.wifiPowered;
            c.networksAvailable = c.linkActive
                || (c.powerOn && !skipScan
                    && NetworkCtl::platform().wifiNetworksInRange(c.interfaceName));
        }
    } else if (c.type == NetworkConnection::Ppp) {
        // A dial-up service has no interface until it dials; it counts as ready.
        c.powerOn = true;
        c.linkActive = true;
        c.networksAvailable = true;
    }

    if (c.powerOn && c.linkActive)
        c.hasAddress = service.hasIPv4Address;
    return c;
}

// The connection of the primary interface, or nullptr when none matches.
const NetworkConnection* findConnection(const QList<NetworkConnection>& connections,
                                        const QString& interfaceName)
{
    for (const NetworkConnection& c : connections) {
        if (c.interfaceName == interfaceName)
            return &c;
    }
    return nullptr;
}

WirelessSecurity currentWifiSecurity()
{
    QString ssid;
    WirelessSecurity security = SecurityUnknown;
    NetworkCtl::getWifiStatus(ssid, security);
    return security;
}

QString wifiSecurityText(WirelessSecurity security)
{
    switch (security) {
    case SecurityWEP:
        return QStringLiteral("WEP wifi encryption");
    case SecurityWPA:
        return QStringLiteral("WPA wifi encryption");
    case SecurityWPA2:
        return QStringLiteral("WPA/2 wifi encryption");
    case SecurityNone:
    case SecurityUnknown:
        break;
    }
    return QStringLiteral("Unencrypted wireless");
}

} // namespace

void NetworkCtl::setPlatform(NetworkPlatform* platform)
{
    installedPlatform = platform;
}

NetworkPlatform& NetworkCtl::platform()
{
    if (installedPlatform)
        return *installedPlatform;
    static LinuxNetworkPlatform machine;
    return machine;
}

NetworkCtl::OneReading::OneReading()
    : m_platform(platform())
{
    m_platform.beginReading();
}

NetworkCtl::OneReading::~OneReading()
{
    m_platform.endReading();
}

QList<NetworkConnection> NetworkCtl::getNetworkConnections(bool skipScan)
{
    QList<NetworkPlatform::Service> services;
    if (!platform().services(services)) {
        qCritical().noquote() << "ERROR NetworkCtl: Failed to get connections";
        return {};
    }
    QList<NetworkConnection> connections;
    connections.reserve(services.size());
    for (const NetworkPlatform::Service& service : services)
        connections.append(toConnection(service, skipScan));
    return connections;
}

bool NetworkCtl::checkWiFiAdapter(bool& powerOn)
{
    powerOn = platform().wifiAdapterPowered();
    return true;
}

QString NetworkCtl::turnon_wifi()
{
    return platform().switchWifiOn();
}

QString NetworkCtl::getDefaultNetworkInterface()
{
    return logged(platform().primaryService().interfaceName, "NetworkCtl: PrimaryInterface: ",
                  "NetworkCtl: PrimaryInterface not found");
}

QString NetworkCtl::getTcpIpConfigMethod()
{
    const QString service = getDefaultNetworkService();
    if (service.isEmpty())
        return {};
    return logged(platform().ipv4ConfigMethod(service), "ConfigMethod: ", "ConfigMethod is not found");
}

QString NetworkCtl::getStaticRouter()
{
    const QString service = getDefaultNetworkService();
    if (service.isEmpty())
        return {};
    // The answer becomes a route's gateway, so only a dotted IPv4 address passes.
    static const QRegularExpression dottedIPv4(
        QStringLiteral("^(\\d{1,3}\\.){3,3}\\d{1,3}$"));
    const QString router = platform().ipv4Router(service).trimmed();
    return logged(dottedIPv4.match(router).hasMatch() ? router : QString(), "static router: ",
                  "Router is not found");
}

void NetworkCtl::renewDHCP(const QString& interfaceName)
{
    qDebug().noquote() << "renew DHCP...";
    const QString output = platform().renewDhcpLease(interfaceName);
    qDebug().noquote() << (output.isEmpty() ? QStringLiteral("ok") : output);
}

void NetworkCtl::recoverDNS()
{
    qDebug().noquote() << "NetworkCtl: recover DNS...";
    const NetworkPlatform::PrimaryService primary = platform().primaryService();
    if (primary.serviceId.isEmpty()) {
        qDebug().noquote() << "primary service GUID was not found";
        qDebug().noquote() << QStringLiteral("output = ") + primary.details;
        return;
    }
    qDebug().noquote() << QStringLiteral("GUID = ") + primary.serviceId;
    const QString output =
        platform().setDnsServers(primary.serviceId, {FallbackDnsServer}, FallbackDnsDomain);
    qDebug().noquote() << (output.isEmpty() ? QStringLiteral("ok") : output);
}

bool NetworkCtl::isInternetConnectionExisted()
{
    return platform().hostReachable(QString::fromLatin1(OperatorWebHost));
}

bool NetworkCtl::isConnectionEnabled()
{
    return platform().linkLocalNetworkReachable();
}

bool NetworkCtl::isConnectionSecured()
{
    QString iface = getDefaultNetworkInterface();
    for (int retry = 0; iface.isEmpty() && retry < PrimaryInterfaceRetries; ++retry) {
        qDebug().noquote() << "NetworkCtl: isConnectionSecured() - check for primary interface again";
        iface = getDefaultNetworkInterface();
    }
    if (iface.isEmpty())
        return false;

    const QList<NetworkConnection> connections = getNetworkConnections(true);
    const NetworkConnection* c = findConnection(connections, iface);
    if (!c)
        return false;
    if (c->type != NetworkConnection::Wireless)
        return true;
    const WirelessSecurity security = currentWifiSecurity();
    return security == SecurityWPA || security == SecurityWPA2;
}

void NetworkCtl::getWifiStatus(QString& ssid, WirelessSecurity& security)
{
    const NetworkPlatform::WifiNetwork wifi = platform().currentWifiNetwork();
    // Whoever runs the access point picks its name, and the name travels to the
    // client as one text line: control characters would split or forge lines.
    ssid = wifi.ssid;
    for (QChar& ch : ssid) {
        if (ch.category() == QChar::Other_Control)
            ch = QLatin1Char('?');
    }
    security = wifi.securityKind == NetworkPlatform::NoSecurityKind
        ? SecurityUnknown
        : wirelessSecurityFromKind(wifi.securityKind);
}

QString NetworkCtl::typeOfNetworkConnectionReadable()
{
    const QString iface = getDefaultNetworkInterface();
    if (iface.isEmpty())
        return QStringLiteral("No connection");

    const QList<NetworkConnection> connections = getNetworkConnections(true);
    const NetworkConnection* c = findConnection(connections, iface);
    if (!c)
        return QStringLiteral("Unknown connection type");
    switch (c->type) {
    case NetworkConnection::Wired:
        return QStringLiteral("Wired connection");
    case NetworkConnection::Ppp:
        return QStringLiteral("PPP connection");
    case NetworkConnection::Wireless:
        break;
    }
    return wifiSecurityText(currentWifiSecurity());
}
