#pragma once

class NetworkCtlClient;
class VpnCtlClient;
class WelcomeCtl;

// Connects the account flow to the VPN session and the network state client the
// way the application does: its automatic activation requests reach the session,
// the session's states, failures and requests reach the flow, and a change of
// the current network starts its diagnosis. A null network client is skipped.
void wireWelcomeCtl(WelcomeCtl* welcome, VpnCtlClient* vpn, NetworkCtlClient* network);
