#pragma once

#include <QString>

// Starts the detached openvpn program for one VPN server and tells whether one runs.
// openvpn is stopped only through its management interface (VpnMgmt, VpnProcessKiller).
namespace openvpn_manager {

inline constexpr char ovpnManagementAddr[] = "127.0.0.1";
inline constexpr quint16 ovpnManagementPort = 10011;

// 0: started and seen running; 1: not seen running in time, or the host was refused
// (startup error); 2: an openvpn already runs and nothing was started.
// Blocks for up to six seconds in local event loops that leave socket input alone.
int start(const QString& host, bool isEncrypted);

// True while an openvpn of ours is alive: a process of the program at
// paths::OPENVPN_FILE, in this network namespace, started with our management
// endpoint on its command line. No other openvpn is ever reported or signalled.
bool isRunning();

// Sends SIGTERM to the openvpn named in "openvpn.pid" when that process is ours;
// false when there is no such process.
bool terminate();

// Once the process has ended, "openvpn.pid" becomes "openvpn.last_pid" (any older
// last pid is dropped). Never follows links the user may have planted.
void retirePidFile();

} // namespace openvpn_manager
