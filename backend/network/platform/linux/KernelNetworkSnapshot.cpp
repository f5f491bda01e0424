#include "KernelNetworkSnapshot.h"

#include <QFileInfo>

#include <cerrno>
#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

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

// A socket on which the kernel announces every change of links, IPv4 addresses
// and IPv4 routes; -1 when it cannot be had.
int openAnnouncements()
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0)
        return -1;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

KernelNetworkSnapshot::KernelNetworkSnapshot(const QString& sysfsRoot)
    : m_sysfsRoot(sysfsRoot)
    , m_announcements(openAnnouncements())
{
}

KernelNetworkSnapshot::~KernelNetworkSnapshot()
{
    if (m_announcements >= 0)
        ::close(m_announcements);
}

void KernelNetworkSnapshot::hold()
{
    ++m_holds;
}

void KernelNetworkSnapshot::release()
{
    if (m_holds > 0 && --m_holds == 0)
        m_lookedInHold = false;
}

// Held, the first question looks once for the whole hold, and reads then whatever
// a later one may ask, so that all answers are of one moment.
void KernelNetworkSnapshot::forgetIfChanged()
{
    if (m_holds == 0) {
        forgetAnnounced();
        return;
    }
    if (m_lookedInHold)
        return;
    m_lookedInHold = true;
    forgetAnnounced();
    haveLinks();
    haveRoutes(nullptr);
}

// Without the announcements nothing can be kept. A message of any kind, or
// messages lost to a full queue, count as a change: reading once too often
// costs less than a stale answer.
void KernelNetworkSnapshot::forgetAnnounced()
{
    if (m_announcements < 0) {
        m_links.reset();
        m_routes.reset();
        return;
    }
    char message[64];
    for (;;) {
        const ssize_t length = ::recv(m_announcements, message, sizeof message, MSG_DONTWAIT | MSG_TRUNC);
        if (length < 0 && errno == EINTR)
            continue;
        if (length < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        m_links.reset();
        m_routes.reset();
        if (length < 0 && errno != ENOBUFS)
            return;
    }
}

bool KernelNetworkSnapshot::links(QMap<QString, Link>& links)
{
    forgetIfChanged();
    if (!haveLinks())
        return false;
    links = *m_links;
    return true;
}

bool KernelNetworkSnapshot::defaultRoutes(QList<KernelRoutes::Route>& routes, QString* problem)
{
    forgetIfChanged();
    if (!haveRoutes(problem)) {
        routes.clear();
        return false;
    }
    routes = *m_routes;
    return true;
}

bool KernelNetworkSnapshot::haveLinks()
{
    if (!m_links) {
        QMap<QString, Link> fresh;
        if (!readLinks(fresh))
            return false;
        m_links = fresh;
    }
    return true;
}

bool KernelNetworkSnapshot::haveRoutes(QString* problem)
{
    if (!m_routes) {
        QList<KernelRoutes::Route> fresh;
        if (!KernelRoutes::defaultRoutes(fresh, problem))
            return false;
        m_routes = fresh;
    }
    return true;
}

bool KernelNetworkSnapshot::readLinks(QMap<QString, Link>& links) const
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
            const QString dir = m_sysfsRoot + QStringLiteral("/class/net/") + name;
            link.wireless = QFileInfo::exists(dir + QStringLiteral("/wireless"))
                || QFileInfo::exists(dir + QStringLiteral("/phy80211"));
        }
        if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET)
            link.hasIPv4Address = true;
    }
    close(socketFd);
    freeifaddrs(all);
    return true;
}
