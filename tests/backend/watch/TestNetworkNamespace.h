#pragma once

#include <QCoreApplication>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTest>

// Tests that change links, addresses, routes or DNS run in a network and mount
// namespace of their own: the process enters them before anything else starts,
// so nothing it does is seen by the machine, and everything vanishes with it.
namespace TestNetworkNamespace {

// Fresh network namespace with loopback up, private mounts, this namespace's
// /sys, and a private empty /etc/resolv.conf. Must run while single-threaded.
bool enter();
// Mounts a private copy holding content over an existing file, for this process only.
bool privateFile(const char* path, const QByteArray& content);

// Runs /usr/sbin/ip with the blank-separated arguments; false (and the tool's
// complaint on stderr) when it fails.
bool ip(const QString& arguments);
// Several ip commands, one a line, in one run of the tool.
bool ipBatch(const QStringList& commands);
// The lines of "ip -4 route show default".
QStringList defaultRoutes();
// A route monitor hears changes only once it runs: switches a default route in
// a spare table between two gateways until heard records a signal.
bool waitUntilRouteMonitorHears(QSignalSpy& heard);

} // namespace TestNetworkNamespace

#define OZM_NAMESPACE_TEST_MAIN(TestObject)                                                                  \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        if (!TestNetworkNamespace::enter())                                                                  \
            return 1;                                                                                        \
        QCoreApplication app(argc, argv);                                                                    \
        TestObject test;                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
