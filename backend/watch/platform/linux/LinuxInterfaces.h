#pragma once

#include <QString>

// Facts about the network interfaces of the current network namespace.
namespace LinuxInterfaces {

// An interface other than loopback is up, has carrier and holds an IPv4 address.
bool anyConnectedWithIPv4();

} // namespace LinuxInterfaces
