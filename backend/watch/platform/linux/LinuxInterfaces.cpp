#include "LinuxInterfaces.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace {

// Calls accept for every entry of the interface table until it returns true.
template <typename Predicate>
bool anyInterface(Predicate accept)
{
    ifaddrs* table = nullptr;
    if (getifaddrs(&table) != 0)
        return false;
    bool found = false;
    for (ifaddrs* entry = table; entry && !found; entry = entry->ifa_next)
        found = accept(*entry);
    freeifaddrs(table);
    return found;
}

} // namespace

namespace LinuxInterfaces {

bool anyConnectedWithIPv4()
{
    return anyInterface([](const ifaddrs& entry) {
        const unsigned connected = IFF_UP | IFF_RUNNING;
        return entry.ifa_addr && entry.ifa_addr->sa_family == AF_INET
            && (entry.ifa_flags & connected) == connected && !(entry.ifa_flags & IFF_LOOPBACK);
    });
}

} // namespace LinuxInterfaces
