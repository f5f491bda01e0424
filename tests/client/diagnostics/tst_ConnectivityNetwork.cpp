// The connectivity test with the real tools against a network the test makes:
// this namespace's only link leads to a peer namespace that holds the name
// server, 8.8.8.8 and the VPN servers. Nothing has a route beyond them.
#include <ConnectivityTasks.h>
#include <ConnectivityTestMulti.h>
#include <ConnectivityTestSingle.h>
#include <NetTools.h>
#include <NetToolsProbes.h>
#include <PrivateNamespaces.h>
#include <StandInService.h>

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using PrivateNamespaces::ipBatch;

namespace {

const QString PeerAddress = QStringLiteral("192.0.2.2");
const QString AliveServer = QStringLiteral("198.51.100.7");
// The peer answers for it with "prohibited".
const QString DeadServer = QStringLiteral("203.0.113.9");

// The real tools, but the confirmation page is the stand-in's.
class StandInConfirmProbes : public NetToolsProbes
{
public:
    explicit StandInConfirmProbes(const QString& url)
        : url(url)
    {
    }
    bool httpTest(int timeoutMs) override { return NetTools::confirmation_test(url, timeoutMs); }
    bool confirm(int timeoutMs) override { return NetTools::confirmation_test(url, timeoutMs); }

private:
    const QString url;
};

// A network namespace held open by a sleeping process; gone with it.
class PeerNamespace
{
public:
    PeerNamespace() { holder.start(QStringLiteral("/usr/bin/unshare"), {"-n", "sleep", "3600"}); }
    ~PeerNamespace()
    {
        holder.kill();
        holder.waitForFinished();
    }

    QString pid() const { return QString::number(holder.processId()); }
    // Once unshare has made the namespace and become the sleeper.
    bool isReady() const
    {
        const QString own = QFile::symLinkTarget(QStringLiteral("/proc/self/ns/net"));
        const QString peer = QFile::symLinkTarget(QStringLiteral("/proc/%1/ns/net").arg(pid()));
        return holder.state() == QProcess::Running && !peer.isEmpty() && peer != own;
    }
    QStringList inside(const QStringList& command) const { return QStringList{"-t", pid(), "-n"} + command; }
    bool run(const QStringList& command) const
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral("/usr/bin/nsenter"), inside(command));
        return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit
               && process.exitCode() == 0;
    }
    bool ipBatch(const QStringList& commands) const
    {
        for (const QString& command : commands)
            if (!run(QStringList{"/usr/sbin/ip"} + command.split(' ')))
                return false;
        return true;
    }

private:
    QProcess holder;
};

} // namespace

class tst_ConnectivityNetwork : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void singleRun_data();
    void singleRun();
    void tracesReachThePeer();

private:
    void startNameServer(const QStringList& addresses);
    void stopNameServer();

    std::unique_ptr<StandInService> service;
    std::unique_ptr<StandInConfirmProbes> probes;
    PeerNamespace peer;
    QProcess nameServer;
    QTemporaryDir folder;
};

void tst_ConnectivityNetwork::initTestCase()
{
    service = std::make_unique<StandInService>();
    QVERIFY(service->isRunning());
    probes = std::make_unique<StandInConfirmProbes>(service->url() + QStringLiteral("/ozmir/confirm"));
    setConnectivityProbes(probes.get());

    QTRY_VERIFY_WITH_TIMEOUT(peer.isReady(), 20000);
    QVERIFY(ipBatch({"link add v0 type veth peer name v1", "link set v1 netns " + peer.pid(),
                     "addr add 192.0.2.1/24 dev v0", "link set v0 up", "route add default via " + PeerAddress}));
    QVERIFY(peer.ipBatch({"link set lo up", "addr add 192.0.2.2/24 dev v1", "link set v1 up",
                          "addr add 8.8.8.8/32 dev lo", "addr add " + AliveServer + "/32 dev lo",
                          "route add prohibit 203.0.113.0/24"}));
    // Every probe of a trace gets its answer, none held back by rate limits.
    QVERIFY(peer.run({"/bin/sh", "-c",
                      "cd /proc/sys/net/ipv4 && echo 1 > ip_forward && echo 0 > icmp_ratelimit"
                      " && echo 100000 > icmp_msgs_per_sec && echo 100000 > icmp_msgs_burst"}));
}

void tst_ConnectivityNetwork::cleanupTestCase()
{
    setConnectivityProbes(nullptr);
}

void tst_ConnectivityNetwork::startNameServer(const QStringList& addresses)
{
    nameServer.setProcessChannelMode(QProcess::ForwardedChannels);
    nameServer.start(QStringLiteral("/usr/bin/nsenter"),
                     peer.inside({"/usr/sbin/dnsmasq", "--keep-in-foreground", "--conf-file=/dev/null", "--no-resolv",
                                  "--no-hosts", "--bind-interfaces", "--user=root",
                                  "--pid-file=" + folder.filePath("dnsmasq.pid"),
                                  "--listen-address=" + addresses.join(','),
                                  "--host-record=" + ConnectivityTasks::ServiceDomainName + "," + PeerAddress}));
    QVERIFY(nameServer.waitForStarted());
    // Listening once it answers on every address.
    for (const QString& address : addresses)
        QTRY_VERIFY_WITH_TIMEOUT(NetTools::nslookup(ConnectivityTasks::ServiceDomainName, address), 20000);
}

void tst_ConnectivityNetwork::stopNameServer()
{
    nameServer.terminate();
    nameServer.waitForFinished();
}

void tst_ConnectivityNetwork::cleanup()
{
    stopNameServer();
    QCOMPARE(service->violations(), QStringList());
    service->reset();
}

void tst_ConnectivityNetwork::singleRun_data()
{
    QTest::addColumn<bool>("publicDnsThere");
    QTest::addColumn<bool>("systemDnsUp");
    QTest::addColumn<bool>("linkUp");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QByteArray>("confirmBody");
    // dnsOk, servicePingOk, publicDnsPingOk, nslookupOk, confirmOk, the server's pingOk
    QTest::addColumn<QList<bool>>("passed");

    const QByteArray confirmed("Your connection is confirmed.");
    QTest::newRow("all pass") << true << true << true << AliveServer << confirmed
                              << QList<bool>{true, true, true, true, true, true};
    QTest::newRow("8.8.8.8 down") << false << true << true << AliveServer << confirmed
                                  << QList<bool>{true, true, false, false, true, true};
    QTest::newRow("system DNS down") << true << false << true << AliveServer << confirmed
                                     << QList<bool>{false, false, true, true, true, true};
    QTest::newRow("dead server") << true << true << true << DeadServer << confirmed
                                 << QList<bool>{true, true, true, true, true, false};
    QTest::newRow("confirm body without the word") << true << true << true << AliveServer
                                                   << QByteArray("Your connection is fine.")
                                                   << QList<bool>{true, true, true, true, false, true};
    // The stand-in's page is on loopback, which stays.
    QTest::newRow("network unreachable") << true << true << false << AliveServer << confirmed
                                         << QList<bool>{false, false, false, false, true, false};
}

void tst_ConnectivityNetwork::singleRun()
{
    QFETCH(bool, publicDnsThere);
    QFETCH(bool, systemDnsUp);
    QFETCH(bool, linkUp);
    QFETCH(QString, server);
    QFETCH(QByteArray, confirmBody);
    QFETCH(QList<bool>, passed);

    QStringList listening;
    if (systemDnsUp)
        listening << PeerAddress;
    if (publicDnsThere)
        listening << QStringLiteral("8.8.8.8");
    else
        QVERIFY(peer.ipBatch({"addr del 8.8.8.8/32 dev lo"}));
    startNameServer(listening);
    if (QTest::currentTestFailed())
        return;
    if (!linkUp)
        QVERIFY(ipBatch({"link set v0 down"}));
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/ozmir/confirm")).body(confirmBody));

    auto results = std::make_shared<TestResultsContainer>();
    ServerTestRecord record;
    record.name = QStringLiteral("server");
    record.ip = server;
    results->servers << record;
    {
        ConnectivityTestSingle runner(results, nullptr);
        QSignalSpy finished(&runner, &ConnectivityTestInterface::finished);
        runner.start();
        QVERIFY(finished.wait(60000));
    }
    if (!publicDnsThere)
        QVERIFY(peer.ipBatch({"addr add 8.8.8.8/32 dev lo"}));
    if (!linkUp)
        QVERIFY(ipBatch({"link set v0 up", "route add default via " + PeerAddress}));

    QCOMPARE(results->dnsOk, passed[0]);
    QCOMPARE(results->servicePingOk, passed[1]);
    QCOMPARE(results->publicDnsPingOk, passed[2]);
    QCOMPARE(results->nslookupOk, passed[3]);
    QCOMPARE(results->confirmOk, passed[4]);
    QCOMPARE(results->httpOk, passed[4]);
    QCOMPARE(results->servers[0].pingOk, passed[5]);
    if (passed[1])
        QVERIFY2(results->servicePingLog.contains("2 received"), qPrintable(results->servicePingLog));
    if (server == DeadServer)
        QVERIFY2(results->servers[0].pingLog.contains("Packet filtered"), qPrintable(results->servers[0].pingLog));
}

void tst_ConnectivityNetwork::tracesReachThePeer()
{
    auto results = std::make_shared<TestResultsContainer>();
    for (const QString& ip : {AliveServer, DeadServer}) {
        ServerTestRecord record;
        record.name = ip;
        record.ip = ip;
        results->servers << record;
    }
    ConnectivityTestMulti runner(results, nullptr);
    QSignalSpy finished(&runner, &ConnectivityTestInterface::finished);
    runner.start();
    QVERIFY(finished.wait(60000));
    QVERIFY(results->servers[0].pingOk);
    QVERIFY2(results->servers[0].routeLog.contains(" 1  " + AliveServer + "  "), qPrintable(results->servers[0].routeLog));
    QVERIFY(!results->servers[1].pingOk);
    // The peer says "prohibited", but the kernel limits those answers per sender
    // (a burst of five, then one a second, in the host's namespace only), and the
    // pings of the cases before may have used them up: a trace that got none is
    // still a trace, and when the peer answers, it refuses.
    const QString& refused = results->servers[1].routeLog;
    QVERIFY2(refused.startsWith("traceroute to " + DeadServer), qPrintable(refused));
    QVERIFY2(!refused.contains(PeerAddress + "  ") || refused.contains("!X"), qPrintable(refused));
}

// The name server is the peer's; names are looked up in private files.
OZM_NAMESPACE_TEST_MAIN(tst_ConnectivityNetwork,
                        PrivateNamespaces::Options()
                            .withOwnProcesses()
                            .withFile("/etc/hosts", "127.0.0.1 localhost\n")
                            .withFile("/etc/resolv.conf", "nameserver 192.0.2.2\noptions timeout:1 attempts:1\n")
                            .withFile("/etc/nsswitch.conf", "hosts: files dns\n"))
#include "tst_ConnectivityNetwork.moc"
