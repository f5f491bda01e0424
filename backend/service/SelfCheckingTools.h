#pragma once

// Verifies and restores the owner and modes that make the set-uid backend safe:
// the launcher, openvpn and its scripts, and the user's data folder. Reads the
// folders from the paths unit, which the caller fills first.
class SelfCheckingTools
{
public:
    // A failed check run by root (not merely set-uid) repairs and checks again.
    static bool selfCheck();
    static bool selfRepair();
};
