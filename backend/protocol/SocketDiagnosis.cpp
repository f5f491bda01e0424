#include "SocketDiagnosis.h"

#include <QHostAddress>
#include <QtEndian>

#include <cstring>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The timer the kernel names for a socket in TIME_WAIT, whatever state it shows.
constexpr quint8 TimeWaitTimer = 3;

struct Request
{
    nlmsghdr header;
    inet_diag_req_v2 body;
};

// Both ends in the same family: IPv4 when both are IPv4 (a mapped address
// included, as a dual-stack socket shows its IPv4 peers), IPv6 otherwise.
bool fillAddresses(inet_diag_req_v2& request, const QHostAddress& source, const QHostAddress& destination)
{
    bool sourceIsV4 = false;
    bool destinationIsV4 = false;
    const quint32 source4 = source.toIPv4Address(&sourceIsV4);
    const quint32 destination4 = destination.toIPv4Address(&destinationIsV4);
    if (sourceIsV4 && destinationIsV4) {
        request.sdiag_family = AF_INET;
        request.id.idiag_src[0] = qToBigEndian(source4);
        request.id.idiag_dst[0] = qToBigEndian(destination4);
        return true;
    }
    if (source.protocol() != QAbstractSocket::IPv6Protocol || destination.protocol() != QAbstractSocket::IPv6Protocol)
        return false;
    request.sdiag_family = AF_INET6;
    const Q_IPV6ADDR source6 = source.toIPv6Address();
    const Q_IPV6ADDR destination6 = destination.toIPv6Address();
    std::memcpy(request.id.idiag_src, source6.c, sizeof source6.c);
    std::memcpy(request.id.idiag_dst, destination6.c, sizeof destination6.c);
    return true;
}

class NetlinkSocket
{
public:
    NetlinkSocket()
        : fd(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG))
    {
    }
    ~NetlinkSocket()
    {
        if (fd >= 0)
            ::close(fd);
    }
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;

    const int fd;
};

// One socket of the kernel's table, looked up by its addresses; none when there is
// no such socket.
std::optional<inet_diag_msg> lookUp(const QHostAddress& source, quint16 sourcePort, const QHostAddress& destination,
                                    quint16 destinationPort)
{
    Request request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.body.sdiag_protocol = IPPROTO_TCP;
    request.body.idiag_states = ~0u;
    request.body.id.idiag_sport = qToBigEndian(sourcePort);
    request.body.id.idiag_dport = qToBigEndian(destinationPort);
    request.body.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    request.body.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    if (!fillAddresses(request.body, source, destination))
        return std::nullopt;

    const NetlinkSocket netlink;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (netlink.fd < 0
        || ::sendto(netlink.fd, &request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel)
               != ssize_t(sizeof request))
        return std::nullopt;

    // The kernel answers within the send: one message, the socket or an error.
    alignas(nlmsghdr) char reply[1024];
    const ssize_t length = ::recv(netlink.fd, reply, sizeof reply, MSG_DONTWAIT);
    const auto* header = reinterpret_cast<const nlmsghdr*>(reply);
    if (length < ssize_t(NLMSG_LENGTH(sizeof(inet_diag_msg))) || !NLMSG_OK(header, size_t(length))
        || header->nlmsg_type != SOCK_DIAG_BY_FAMILY || header->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg)))
        return std::nullopt;
    inet_diag_msg found;
    std::memcpy(&found, NLMSG_DATA(header), sizeof found);
    return found;
}

} // namespace

std::optional<uid_t> SocketDiagnosis::ownerOf(const QHostAddress& source, quint16 sourcePort,
                                              const QHostAddress& destination, quint16 destinationPort)
{
    const std::optional<inet_diag_msg> found = lookUp(source, sourcePort, destination, destinationPort);
    if (!found)
        return std::nullopt;
    // What remains of a socket its process has closed belongs to nobody, though the
    // kernel lists it as root's.
    if (found->idiag_state == TCP_TIME_WAIT || found->idiag_timer == TimeWaitTimer)
        return std::nullopt;
    // A connection the listener has not taken up yet is listed as root's too: it is
    // the listener's, found by its own address alone.
    if (found->idiag_state == TCP_SYN_RECV && found->idiag_inode == 0) {
        bool isV4 = false;
        source.toIPv4Address(&isV4);
        const QHostAddress anyPeer(isV4 ? QHostAddress::AnyIPv4 : QHostAddress::AnyIPv6);
        const std::optional<inet_diag_msg> listener = lookUp(source, sourcePort, anyPeer, 0);
        if (listener && listener->idiag_state == TCP_LISTEN)
            return uid_t(listener->idiag_uid);
        // Taken up between the two looks, and the listener closed after it: the
        // connection now has an owner of its own.
        const std::optional<inet_diag_msg> taken = lookUp(source, sourcePort, destination, destinationPort);
        if (!taken || taken->idiag_state != TCP_ESTABLISHED || taken->idiag_inode == 0)
            return std::nullopt;
        return uid_t(taken->idiag_uid);
    }
    return uid_t(found->idiag_uid);
}
