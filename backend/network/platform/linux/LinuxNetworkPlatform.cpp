#include "LinuxNetworkPlatform.h"

#include "HostPath.h"
#include "HostResolver.h"
#include "execute_manager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

#include <net/if.h>
#include <net/if_arp.h>

namespace {

const QString IpTool = QStringLiteral("/usr/sbin/ip");
const QString DhclientTool = QStringLiteral("/usr/sbin/dhclient");

using Link = KernelNetworkSnapshot::Link;

// The loopback and the tunnel devices (the VPN's own among them) are not ways
// onto a network of their own.
bool isNetworkService(const Link& link)
{
    return !(link.flags & IFF_LOOPBACK) && link.hardwareType != ARPHRD_LOOPBACK
        && link.hardwareType != ARPHRD_NONE && link.hardwareType != ARPHRD_VOID;
}

// Names go to ip(8) and dhclient as arguments, so one that could read as an
// option is refused.
bool isInterfaceName(const QString& name)
{
    static const QRegularExpression valid(QStringLiteral("^[^-\\s/:][^\\s/:]{0,14}$"));
    return valid.match(name).hasMatch();
}

QJsonArray ipJson(const QStringList& arguments)
{
    QString output;
    int exitCode = -1;
    const bool finished =
        execute_manager::execute_and_get_stdout(output, IpTool, QStringList{"-4", "-j"} + arguments,
                                                &exitCode);
    if (!finished || exitCode != 0)
        return {};
    return QJsonDocument::fromJson(output.toUtf8()).array();
}

QString readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.read(64)).trimmed();
}

} // namespace

LinuxNetworkPlatform::LinuxNetworkPlatform(const QString& resolvConfPath, const QString& sysfsRoot)
    : m_resolvConfPath(resolvConfPath)
    , m_sysfsRoot(sysfsRoot)
    , m_kernel(sysfsRoot)
{
}

bool LinuxNetworkPlatform::services(QList<Service>& out)
{
    QMap<QString, Link> links;
    if (!m_kernel.links(links))
        return false;

    QMap<unsigned, Service> byIndex;
    for (auto it = links.cbegin(); it != links.cend(); ++it) {
        if (!isNetworkService(it.value()))
            continue;
        Service s;
        s.id = it.key();
        s.name = it.key();
        s.interfaceName = it.key();
        s.kind = kindOf(it.value());
        s.enabled = it.value().flags & IFF_UP;
        s.linkActive = it.value().flags & IFF_RUNNING;
        s.hasIPv4Address = it.value().hasIPv4Address;
        if (s.kind == ServiceKind::Wireless) {
            const QString phy = m_sysfsRoot + QStringLiteral("/class/net/%1/phy80211").arg(it.key());
            const QStringList rfkills = QDir(phy).entryList({QStringLiteral("rfkill*")}, QDir::Dirs);
            s.wifiPowered = std::none_of(rfkills.cbegin(), rfkills.cend(), [&](const QString& r) {
                return rfkillBlocked(phy + '/' + r);
            });
        }
        byIndex.insert(it.value().index, s);
    }
    out = byIndex.values();
    return true;
}

LinuxNetworkPlatform::ServiceKind LinuxNetworkPlatform::kindOf(const Link& link)
{
    if (link.hardwareType == ARPHRD_PPP)
        return ServiceKind::Ppp;
    return link.wireless ? ServiceKind::Wireless : ServiceKind::Other;
}

bool LinuxNetworkPlatform::rfkillBlocked(const QString& rfkillDir) const
{
    return readSmallFile(rfkillDir + QStringLiteral("/soft")) == QLatin1String("1")
        || readSmallFile(rfkillDir + QStringLiteral("/hard")) == QLatin1String("1");
}

QStringList LinuxNetworkPlatform::wifiRfkillDirs() const
{
    const QDir dir(m_sysfsRoot + QStringLiteral("/class/rfkill"));
    QStringList wifi;
    for (const QString& entry : dir.entryList({QStringLiteral("rfkill*")}, QDir::Dirs)) {
        const QString path = dir.filePath(entry);
        if (readSmallFile(path + QStringLiteral("/type")) == QLatin1String("wlan"))
            wifi << path;
    }
    return wifi;
}

bool LinuxNetworkPlatform::wifiNetworksInRange(const QString& interfaceName)
{
    return m_networkManager.hasAccessPoints(interfaceName);
}

bool LinuxNetworkPlatform::wifiAdapterPowered()
{
    const QStringList dirs = wifiRfkillDirs();
    return std::none_of(dirs.cbegin(), dirs.cend(),
                        [this](const QString& d) { return rfkillBlocked(d); });
}

QString LinuxNetworkPlatform::switchWifiOn()
{
    QStringList problems;
    for (const QString& dir : wifiRfkillDirs()) {
        QFile soft(dir + QStringLiteral("/soft"));
        if (!soft.open(QIODevice::WriteOnly) || soft.write("0") != 1)
            problems << QStringLiteral("cannot unblock %1: %2").arg(dir, soft.errorString());
    }
    const QString nmProblem = m_networkManager.enableWireless();
    if (!nmProblem.isEmpty())
        problems << nmProblem;
    return problems.join('\n');
}

NetworkPlatform::PrimaryService LinuxNetworkPlatform::primaryService()
{
    beginReading();
    PrimaryService primary;
    QList<KernelRoutes::Route> routes;
    if (m_kernel.defaultRoutes(routes, &primary.details)) {
        QStringList lines;
        for (const KernelRoutes::Route& route : routes)
            lines << route.text(QStringLiteral("default"));
        primary.details = lines.join(QLatin1Char('\n'));
    }
    QMap<QString, Link> links;
    m_kernel.links(links);
    for (const KernelRoutes::Route& route : routes) {
        // The kernel keeps a route whose link went down; it carries nothing.
        if (route.linkDown)
            continue;
        if (isInterfaceName(route.device) && links.contains(route.device)
            && isNetworkService(links.value(route.device))) {
            m_lastPrimary = route.device;
            m_lastRouter = route.gateway;
            break;
        }
    }
    const Link last = links.value(m_lastPrimary);
    if (!m_lastPrimary.isEmpty() && (last.flags & IFF_RUNNING) && last.hasIPv4Address) {
        primary.interfaceName = m_lastPrimary;
        primary.serviceId = m_lastPrimary;
    }
    endReading();
    return primary;
}

// Addresses a DHCP client configured expire; addresses set by hand do not.
QString LinuxNetworkPlatform::ipv4ConfigMethod(const QString& serviceId)
{
    if (!isInterfaceName(serviceId))
        return {};
    bool anyAddress = false;
    for (const QJsonValue& link : ipJson({"addr", "show", "dev", serviceId})) {
        for (const QJsonValue& address : link.toObject().value(QStringLiteral("addr_info")).toArray()) {
            if (address.toObject().value(QStringLiteral("dynamic")).toBool())
                return QStringLiteral("DHCP");
            anyAddress = true;
        }
    }
    return anyAddress ? QStringLiteral("Manual") : QString();
}

QString LinuxNetworkPlatform::ipv4Router(const QString& serviceId)
{
    if (!isInterfaceName(serviceId))
        return {};
    QList<KernelRoutes::Route> routes;
    m_kernel.defaultRoutes(routes);
    for (const KernelRoutes::Route& route : routes) {
        if (route.device == serviceId && !route.gateway.isEmpty())
            return route.gateway;
    }
    return serviceId == m_lastPrimary ? m_lastRouter : QString();
}

QString LinuxNetworkPlatform::renewDhcpLease(const QString& interfaceName)
{
    if (!isInterfaceName(interfaceName))
        return QStringLiteral("not an interface name: %1").arg(interfaceName);
    QString problem;
    if (m_networkManager.reactivate(interfaceName, problem))
        return problem;
    if (!QFileInfo(DhclientTool).isExecutable())
        return QStringLiteral("no DHCP client to renew the lease of %1").arg(interfaceName);

    QString released;
    QString requested;
    execute_manager::execute_and_get_stdout(released, DhclientTool, {"-r", interfaceName}, nullptr);
    // -nw: the lease is fetched in the background; the backend does not wait for it.
    execute_manager::execute_and_get_stdout(requested, DhclientTool, {"-nw", interfaceName}, nullptr);
    return (released + requested).trimmed();
}

// resolv.conf is written in place: it may be a symbolic link or a file mounted
// over the real one, and both must keep pointing where they did.
QString LinuxNetworkPlatform::setDnsServers(const QString&, const QStringList& servers,
                                            const QString& domain)
{
    QByteArray text = "domain " + domain.toLatin1() + "\nsearch " + domain.toLatin1() + '\n';
    for (const QString& server : servers)
        text += "nameserver " + server.toLatin1() + '\n';

    QFile file(m_resolvConfPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size()
        || !file.flush())
        return QStringLiteral("cannot write %1: %2").arg(m_resolvConfPath, file.errorString());
    return {};
}

// The host's addresses are the latest answer of a lookup that runs on its own, so
// the answer never waits for a name server.
bool LinuxNetworkPlatform::hostReachable(const QString& host)
{
    return HostPath::to(HostResolver::forHost(host)->addresses()) == HostPath::Kind::Direct;
}

bool LinuxNetworkPlatform::linkLocalNetworkReachable()
{
    QList<Service> all;
    services(all);
    return std::any_of(all.cbegin(), all.cend(),
                       [](const Service& s) { return s.linkActive && s.hasIPv4Address; });
}

void LinuxNetworkPlatform::beginReading()
{
    m_kernel.hold();
}

void LinuxNetworkPlatform::endReading()
{
    m_kernel.release();
}

NetworkPlatform::WifiNetwork LinuxNetworkPlatform::currentWifiNetwork()
{
    return m_networkManager.activeWifiNetwork();
}
