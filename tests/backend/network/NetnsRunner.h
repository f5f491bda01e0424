#pragma once

#include <QString>

// Runs a test program again inside a network namespace of its own, so that it
// may change links, routes and resolv.conf without the machine noticing.
//
// main() calls runInNamespace() first: in the outer run it creates the
// namespace, runs the program inside it with `ip netns exec`, removes the
// namespace and returns the exit code to use. Inside the namespace it returns
// -1 and the program runs its tests.
//
// Inside, /etc/resolv.conf is the namespace's own copy (holding marker()) and
// /etc/hosts maps OperatorWebHost to hostAddress().
class NetnsRunner
{
public:
    static int runInNamespace(int argc, char** argv);
    static bool insideNamespace();
    // The text the namespace's resolv.conf starts with; seeing it proves that
    // writing /etc/resolv.conf cannot touch the machine's own.
    static QString marker();
    static QString hostAddress();
};
