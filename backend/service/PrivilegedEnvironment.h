#pragma once

#include <sys/types.h>

// The set-uid backend runs as root on behalf of whoever started it, so nothing in
// the caller's environment may steer it: not the tool search path, not the Qt
// variables (plugin paths, logging rules, data folders), not the loader's, not
// the file creation mask.
class PrivilegedEnvironment
{
public:
    // Must run before the application object exists, since Qt reads its variables
    // while it starts.
    static void resetIfSetuid();

    // Service mode runs openvpn and its scripts, and both fall back to the real
    // user id (shells drop privileges, openvpn checks its files against it), so
    // the real ids become root as well. The caller is remembered first. Their
    // HOME is theirs to choose, so openvpn and its scripts get root's instead.
    static void becomeRoot();

    // The check modes act for the caller alone: started by anyone but root they
    // give up every set-id privilege for good (group first, while the user id may
    // still change it), before they look at anything. False when that failed.
    static bool dropToCaller();

    // pkexec runs the check modes as root with root's HOME; the data folder they
    // check and repair is that of the user who asked for the elevation.
    static void takeHomeOfPkexecCaller();

    // The user who started the backend: the real user id it was started with.
    static uid_t callerUid();
};
