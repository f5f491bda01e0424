#include "LinuxNetworkPlatform.h"

#include "execute_manager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString IpTool = QStringLiteral("/usr/sbin/ip");
const QString DhclientTool = QStringLiteral("/usr/sbin/dhclient");

struct Link
{
    unsigned index = 0;
    unsigned flags = 0;
    unsigned short hardwareType = 0;
    bool hasIPv4Address = false;
};

// Interfaces without a hardware address (PPP, tun) are missing from the
// link-layer entries of getifaddrs(), so the kernel is asked by name.
unsigned short hardwareTypeOf(int socketFd, const char* interfaceName)
{
    ifreq request{};
    qstrncpy(request.ifr_name, interfaceName, sizeof(request.ifr_name));
    if (ioctl(socketFd, SIOCGIFHWADDR, &request) != 0)
        return ARPHRD_VOID;
    return request.ifr_hwaddr.sa_family;
}

// Every network interface of this network namespace, keyed by name.
bool readLinks(QMap<QString, Link>& links)
{
    const int socketFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifaddrs* all = nullptr;
    if (socketFd < 0 || getifaddrs(&all) != 0) {
        if (socketFd >= 0)
            close(socketFd);
        return false;
    }
    for (const ifaddrs* a = all; a; a = a->ifa_next) {
        const QString name = QString::fromLocal8Bit(a->ifa_name);
        const bool known = links.contains(name);
        Link& link = links[name];
        link.flags = a->ifa_flags;
        if (!known) {
            link.index = if_nametoindex(a->ifa_name);
            link.hardwareType = hardwareTypeOf(socketFd, a->ifa_name);
        }
        if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET)
            link.hasIPv4Address = true;
    }
    close(socketFd);
    freeifaddrs(all);
    return true;
}

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

QJsonArray ipJson(const QStringList& arguments, QString* raw = nullptr)
{
    QString output;
    int exitCode = -1;
    const bool finished =
        execute_manager::execute_and_get_stdout(output, IpTool, QStringList{"-4", "-j"} + arguments,
                                                &exitCode);
    if (raw)
        *raw = output;
    if (!finished || exitCode != 0)
        return {};
    return QJsonDocument::fromJson(output.toUtf8()).array();
}

// A name lookup must not hold the backend up for long: past this a host that has
// not resolved counts as unreachable.
const int HostLookupTimeoutMs = 5000;

// Blocking on purpose, without an event loop (which would let client requests and
// deferred deletions run in the middle of the caller's state change). The lookup
// runs on a thread of its own so that a resolver that never answers costs at most
// the time-out; a late answer is dropped with the thread.
QList<QHostAddress> resolveIPv4(const QString& host)
{
    auto answer = std::make_shared<std::promise<QList<QHostAddress>>>();
    std::future<QList<QHostAddress>> addresses = answer->get_future();
    std::thread([host, answer] {
        QList<QHostAddress> found;
        for (const QHostAddress& address : QHostInfo::fromName(host).addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol)
                found << address;
        }
        answer->set_value(found);
    }).detach();
    if (addresses.wait_for(std::chrono::milliseconds(HostLookupTimeoutMs)) != std::future_status::ready)
        return {};
    return addresses.get();
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
{
}

bool LinuxNetworkPlatform::services(QList<Service>& out)
{
    QMap<QString, Link> links;
    if (!readLinks(links))
        return false;

    QMap<unsigned, Service> byIndex;
    for (auto it = links.cbegin(); it != links.cend(); ++it) {
        if (!isNetworkService(it.value()))
            continue;
        Service s;
        s.id = it.key();
        s.name = it.key();
        s.interfaceName = it.key();
        s.kind = kindOf(it.key(), it.value().hardwareType);
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

LinuxNetworkPlatform::ServiceKind LinuxNetworkPlatform::kindOf(const QString& interfaceName,
                                                               unsigned short hardwareType) const
{
    if (hardwareType == ARPHRD_PPP)
        return ServiceKind::Ppp;
    const QString dir = m_sysfsRoot + QStringLiteral("/class/net/") + interfaceName;
    if (QFileInfo::exists(dir + QStringLiteral("/wireless"))
        || QFileInfo::exists(dir + QStringLiteral("/phy80211")))
        return ServiceKind::Wireless;
    return ServiceKind::Other;
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
    PrimaryService primary;
    QMap<QString, Link> links;
    const QJsonArray routes = ipJson({"route", "show", "default"}, &primary.details);
    readLinks(links);
    for (const QJsonValue& route : routes) {
        // The kernel keeps a route whose link went down; it carries nothing.
        if (route.toObject().value(QStringLiteral("flags")).toArray().contains(QStringLiteral("linkdown")))
            continue;
        const QString dev = route.toObject().value(QStringLiteral("dev")).toString();
        if (isInterfaceName(dev) && links.contains(dev) && isNetworkService(links.value(dev))) {
            m_lastPrimary = dev;
            m_lastRouter = route.toObject().value(QStringLiteral("gateway")).toString();
            break;
        }
    }
    const Link last = links.value(m_lastPrimary);
    if (!m_lastPrimary.isEmpty() && (last.flags & IFF_RUNNING) && last.hasIPv4Address) {
        primary.interfaceName = m_lastPrimary;
        primary.serviceId = m_lastPrimary;
    }
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
    for (const QJsonValue& route : ipJson({"route", "show", "default", "dev", serviceId})) {
        const QString gateway = route.toObject().value(QStringLiteral("gateway")).toString();
        if (!gateway.isEmpty())
            return gateway;
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

bool LinuxNetworkPlatform::hostReachable(const QString& host)
{
    const QList<QHostAddress> addresses = resolveIPv4(host);
    QMap<QString, Link> links;
    if (addresses.isEmpty() || !readLinks(links))
        return false;
    // The kernel still picks a route whose link is down; only a live link reaches the host.
    return std::any_of(addresses.cbegin(), addresses.cend(), [&](const QHostAddress& address) {
        const QJsonArray routes = ipJson({"route", "get", address.toString()});
        const QString dev = routes.at(0).toObject().value(QStringLiteral("dev")).toString();
        return links.value(dev).flags & IFF_RUNNING;
    });
}

bool LinuxNetworkPlatform::linkLocalNetworkReachable()
{
    QList<Service> all;
    services(all);
    return std::any_of(all.cbegin(), all.cend(),
                       [](const Service& s) { return s.linkActive && s.hasIPv4Address; });
}

NetworkPlatform::WifiNetwork LinuxNetworkPlatform::currentWifiNetwork()
{
    return m_networkManager.activeWifiNetwork();
}
