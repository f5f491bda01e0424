#include "HostPath.h"

#include "KernelRoutes.h"

#include <QString>

#include <algorithm>
#include <optional>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The interface's IFF_* flags; 0 when it is gone.
unsigned flagsOf(const QString& device)
{
    const QByteArray name = device.toLocal8Bit();
    ifreq request{};
    if (name.isEmpty() || size_t(name.size()) >= sizeof request.ifr_name)
        return 0;
    qstrncpy(request.ifr_name, name.constData(), sizeof request.ifr_name);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    const bool known = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    ::close(fd);
    return known ? unsigned(request.ifr_flags) & 0xffffu : 0u;
}

HostPath::Kind pathTo(const QHostAddress& address)
{
    const std::optional<KernelRoutes::Route> route = KernelRoutes::routeTo(address);
    if (!route)
        return HostPath::Kind::None;
    const unsigned flags = flagsOf(route->device);
    if (flags & IFF_POINTOPOINT)
        return HostPath::Kind::Transient;
    // The kernel still picks a route whose link is down; only a live link reaches the host.
    return (flags & IFF_RUNNING) ? HostPath::Kind::Direct : HostPath::Kind::None;
}

} // namespace

namespace HostPath {

Kind to(const QList<QHostAddress>& addresses)
{
    Kind best = Kind::None;
    for (const QHostAddress& address : addresses) {
        best = std::max(best, pathTo(address));
        if (best == Kind::Direct)
            break;
    }
    return best;
}

} // namespace HostPath
