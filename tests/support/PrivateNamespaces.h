#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>

// Tests that change links, addresses, routes or DNS run in namespaces of their
// own: the process enters them before anything else starts, so nothing it does
// is seen by the machine, and everything vanishes with it.
namespace PrivateNamespaces {

struct Options
{
    struct File
    {
        QByteArray path;
        QByteArray content;
    };

    // A pid namespace whose init reaps what the test's children leave, and a
    // private /proc: nothing the test starts outlives it or sees other processes.
    Options& withOwnProcesses() { ownProcesses = true; return *this; }
    // A private copy holding content mounted over the existing file at path.
    Options& withFile(const QByteArray& path, const QByteArray& content);

    bool ownProcesses = false;
    QList<File> files{{"/etc/resolv.conf", {}}};
};

// Private mounts, the options' private files and a fresh network namespace with
// loopback up and its own /sys. Must run while single-threaded.
bool enter(const Options& options);
// Leaves the current network namespace for a new one, loopback only: what an
// earlier test left there (links, sockets waiting out their close) stays behind.
bool renewNetwork();
// Mounts a private copy holding content over an existing file, for this process only.
bool privateFile(const char* path, const QByteArray& content);
// Whether the machine's own file behind a private copy still holds what it held
// when the copy was mounted.
bool machineFileUnchanged(const char* path);

// Runs /usr/sbin/ip with the blank-separated arguments; false (and the tool's
// complaint on stderr) when it fails.
bool ip(const QString& arguments);
// Several ip commands, one a line, in one run of the tool.
bool ipBatch(const QStringList& commands);
// The lines of "ip -4 route show default".
QStringList defaultRoutes();

} // namespace PrivateNamespaces

#define OZM_NAMESPACE_TEST_MAIN(TestObject, options)                                                         \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        if (!PrivateNamespaces::enter(options))                                                              \
            return 1;                                                                                        \
        QCoreApplication app(argc, argv);                                                                    \
        TestObject test;                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
