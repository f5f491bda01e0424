#pragma once

#include <QHostAddress>
#include <QList>

// The one rule by which the backend calls a host reachable, shared by the network
// report and the wait for the Internet: the kernel would carry a packet to one of
// the host's addresses over a live link that is not point-to-point. A route
// through a tunnel or a PPP line is only a transient path: the VPN's own tun
// outlives an openvpn restart (--persist-tun) and keeps its routes while there is
// no Internet behind it.
namespace HostPath {

enum class Kind {
    None,      // no route, or only over a link without carrier
    Transient, // only through a point-to-point link
    Direct,    // over a live link of the network itself
};

// The best path to any of the addresses.
Kind to(const QList<QHostAddress>& addresses);

} // namespace HostPath
