#include "KernelRoutes.h"

#include <QtEndian>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

// A dump never puts more than 32 KiB into one datagram.
constexpr size_t ReceiveBufferBytes = 32768;
// The kernel answers at once; the limit only keeps a broken socket from hanging us.
constexpr time_t AnswerLimitSeconds = 1;
// Every question goes out on a socket of its own, so one number serves them all.
constexpr quint32 Sequence = 1;

struct RouteRequest
{
    nlmsghdr header;
    rtmsg route;
    rtattr destinationAttribute;
    in_addr destination;
};
static_assert(offsetof(RouteRequest, route) == NLMSG_HDRLEN, "route message follows the header");
static_assert(offsetof(RouteRequest, destinationAttribute) == NLMSG_LENGTH(sizeof(rtmsg)),
              "attributes follow the route message");
static_assert(sizeof(RouteRequest) == NLMSG_LENGTH(sizeof(rtmsg)) + RTA_LENGTH(sizeof(in_addr)),
              "nothing after the destination");

// One route message, with what decides whether a caller wants it.
struct RouteMessage
{
    KernelRoutes::Route route;
    quint32 table = RT_TABLE_UNSPEC;
    unsigned destinationLength = 0;
};

class RouteSocket
{
public:
    RouteSocket()
        : fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE))
    {
        if (fd < 0)
            return;
        const timeval limit{AnswerLimitSeconds, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    }
    ~RouteSocket()
    {
        if (fd >= 0)
            ::close(fd);
    }
    RouteSocket(const RouteSocket&) = delete;
    RouteSocket& operator=(const RouteSocket&) = delete;

    // Sends the request and hands every route message of the answer to onRoute;
    // 0 when the answer came whole, else an errno value.
    template <typename OnRoute>
    int ask(RouteRequest& request, OnRoute onRoute)
    {
        if (fd < 0)
            return errno;
        request.header.nlmsg_seq = Sequence;
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        if (::sendto(fd, &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel)
            < 0)
            return errno;
        const bool dump = request.header.nlmsg_flags & NLM_F_DUMP;
        for (;;) {
            int result = -1;
            if (!receive(dump, onRoute, result))
                return result;
        }
    }

private:
    // Reads one datagram; false once the answer is complete or has failed, with
    // `result` set.
    template <typename OnRoute>
    bool receive(bool dump, OnRoute& onRoute, int& result)
    {
        alignas(nlmsghdr) char buffer[ReceiveBufferBytes];
        sockaddr_nl sender{};
        iovec io{buffer, sizeof buffer};
        msghdr message{};
        message.msg_name = &sender;
        message.msg_namelen = sizeof sender;
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        const ssize_t length = ::recvmsg(fd, &message, 0);
        if (length < 0) {
            if (errno == EINTR)
                return true;
            result = errno == EAGAIN ? ETIMEDOUT : errno;
            return false;
        }
        if (message.msg_flags & MSG_TRUNC) {
            result = EMSGSIZE;
            return false;
        }
        // Only the kernel may speak here, and every header is bounds-checked
        // before it is read.
        if (sender.nl_pid != 0)
            return true;
        int remaining = int(length);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, remaining);
             header = NLMSG_NEXT(header, remaining)) {
            if (header->nlmsg_seq != Sequence)
                continue;
            switch (header->nlmsg_type) {
            case NLMSG_DONE:
                result = 0;
                return false;
            case NLMSG_ERROR:
                result = header->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr))
                    ? EBADMSG
                    : -static_cast<const nlmsgerr*>(NLMSG_DATA(header))->error;
                return false;
            case RTM_NEWROUTE:
                onRoute(*header);
                if (!dump) {
                    result = 0;
                    return false;
                }
                break;
            default:
                break;
            }
        }
        return true;
    }

    const int fd;
};

QString typeName(unsigned char type)
{
    switch (type) {
    case RTN_UNICAST:
        return QStringLiteral("unicast");
    case RTN_LOCAL:
        return QStringLiteral("local");
    case RTN_BROADCAST:
        return QStringLiteral("broadcast");
    case RTN_ANYCAST:
        return QStringLiteral("anycast");
    case RTN_MULTICAST:
        return QStringLiteral("multicast");
    case RTN_BLACKHOLE:
        return QStringLiteral("blackhole");
    case RTN_UNREACHABLE:
        return QStringLiteral("unreachable");
    case RTN_PROHIBIT:
        return QStringLiteral("prohibit");
    case RTN_THROW:
        return QStringLiteral("throw");
    case RTN_NAT:
        return QStringLiteral("nat");
    default:
        return QString::number(type);
    }
}

quint32 readU32(const rtattr* attribute)
{
    quint32 value = 0;
    std::memcpy(&value, RTA_DATA(attribute), sizeof value);
    return value;
}

QString interfaceName(quint32 index)
{
    char name[IF_NAMESIZE];
    return if_indextoname(index, name) ? QString::fromLocal8Bit(name) : QString();
}

bool parseRoute(nlmsghdr& header, RouteMessage& parsed)
{
    if (header.nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg)))
        return false;
    auto* route = static_cast<rtmsg*>(NLMSG_DATA(&header));
    if (route->rtm_family != AF_INET)
        return false;
    parsed.table = route->rtm_table;
    parsed.destinationLength = route->rtm_dst_len;
    parsed.route.type = typeName(route->rtm_type);
    parsed.route.linkDown = route->rtm_flags & RTNH_F_LINKDOWN;
    int remaining = int(RTM_PAYLOAD(&header));
    for (rtattr* attribute = RTM_RTA(route); RTA_OK(attribute, remaining);
         attribute = RTA_NEXT(attribute, remaining)) {
        if (RTA_PAYLOAD(attribute) < sizeof(quint32))
            continue;
        switch (attribute->rta_type) {
        case RTA_TABLE:
            parsed.table = readU32(attribute);
            break;
        case RTA_GATEWAY:
            parsed.route.gateway = QHostAddress(qFromBigEndian(readU32(attribute))).toString();
            break;
        case RTA_OIF:
            parsed.route.device = interfaceName(readU32(attribute));
            break;
        case RTA_PRIORITY:
            parsed.route.metric = readU32(attribute);
            break;
        default:
            break;
        }
    }
    return true;
}

RouteRequest routeRequest(__u16 flags)
{
    RouteRequest request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST | flags;
    request.route.rtm_family = AF_INET;
    return request;
}

} // namespace

QString KernelRoutes::Route::text(const QString& destination) const
{
    QString line = type == QLatin1String("unicast") ? destination : type + QLatin1Char(' ') + destination;
    if (!gateway.isEmpty())
        line += QStringLiteral(" via ") + gateway;
    if (!device.isEmpty())
        line += QStringLiteral(" dev ") + device;
    if (metric != 0)
        line += QStringLiteral(" metric ") + QString::number(metric);
    if (linkDown)
        line += QStringLiteral(" linkdown");
    return line;
}

bool KernelRoutes::Route::operator==(const Route& other) const
{
    return type == other.type && gateway == other.gateway && device == other.device && metric == other.metric
        && linkDown == other.linkDown;
}

bool KernelRoutes::defaultRoutes(QList<Route>& routes, QString* problem)
{
    routes.clear();
    RouteRequest request = routeRequest(NLM_F_DUMP);
    RouteSocket socket;
    const int error = socket.ask(request, [&routes](nlmsghdr& header) {
        RouteMessage parsed;
        if (parseRoute(header, parsed) && parsed.table == RT_TABLE_MAIN && parsed.destinationLength == 0)
            routes << parsed.route;
    });
    if (error != 0) {
        routes.clear();
        if (problem)
            *problem = QStringLiteral("the kernel did not list its routes: ") + QString::fromLocal8Bit(strerror(error));
        return false;
    }
    return true;
}

std::optional<KernelRoutes::Route> KernelRoutes::routeTo(const QHostAddress& address)
{
    bool isIPv4 = false;
    const quint32 destination = address.toIPv4Address(&isIPv4);
    if (!isIPv4)
        return std::nullopt;
    RouteRequest request = routeRequest(0);
    request.route.rtm_dst_len = 32;
    request.destinationAttribute.rta_type = RTA_DST;
    request.destinationAttribute.rta_len = RTA_LENGTH(sizeof(in_addr));
    request.destination.s_addr = qToBigEndian(destination);
    request.header.nlmsg_len = sizeof request;

    std::optional<Route> found;
    RouteSocket socket;
    const int error = socket.ask(request, [&found](nlmsghdr& header) {
        RouteMessage parsed;
        if (parseRoute(header, parsed))
            found = parsed.route;
    });
    return error == 0 ? found : std::nullopt;
}
