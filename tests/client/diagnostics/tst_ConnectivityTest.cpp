#include "ScriptedProbes.h"

#include <ApiTestKit.h>
#include <ConnectivityTasks.h>
#include <ConnectivityTestMulti.h>
#include <ConnectivityTestSingle.h>
#include <MainHelpTab.h>
#include <PrivateNamespaces.h>

#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

#include <memory>

using Results = std::shared_ptr<TestResultsContainer>;
Q_DECLARE_METATYPE(ServerTestRecord)

namespace {

// Not a copy made at start-up: that would race the library's own constant.
QString service()
{
    return ConnectivityTasks::ServiceDomainName;
}
const QHostAddress ServiceV4(QStringLiteral("192.0.2.7"));
const QHostAddress ServiceV6(QStringLiteral("2001:db8::7"));

ServerTestRecord server(const QString& name, const QString& ip, const QString& pingLog = QString())
{
    ServerTestRecord record;
    record.name = name;
    record.ip = ip;
    record.pingLog = pingLog;
    return record;
}

Results resultsWith(const QList<ServerTestRecord>& servers)
{
    auto results = std::make_shared<TestResultsContainer>();
    results->servers = servers;
    return results;
}

// The percentages the run reported, once it has finished.
QList<int> runToEnd(ConnectivityTestInterface& runner)
{
    QSignalSpy progress(&runner, &ConnectivityTestInterface::progress);
    QSignalSpy finished(&runner, &ConnectivityTestInterface::finished);
    runner.start();
    if (finished.isEmpty() && !finished.wait(20000))
        return {-1};
    // Nothing may follow the end.
    QCoreApplication::processEvents();
    QList<int> percents;
    for (const QList<QVariant>& emitted : progress)
        percents << emitted.at(0).toInt();
    return finished.size() == 1 ? percents : QList<int>{-2};
}

} // namespace

class tst_ConnectivityTest : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void containerCounts();
    void singleRun_data();
    void singleRun();
    void progressSteps_data();
    void progressSteps();
    void multiRunOrder();
    void emptyMultiRunEndsAtOnce();
    void multiRunSkipsWhatItCannotPing();
    void stopLeavesTasksNotBegun();
    void poolIsLimited();

private:
    std::unique_ptr<ScriptedProbes> probes;
};

void tst_ConnectivityTest::init()
{
    probes = std::make_unique<ScriptedProbes>();
    probes->systemNames.insert(service(), {ServiceV4});
    probes->publicNames << service();
    probes->answeringHosts << ServiceV4.toString() << QStringLiteral("8.8.8.8") << QStringLiteral("10.0.0.1");
    hMainHelp.state = 0;
}

void tst_ConnectivityTest::containerCounts()
{
    TestResultsContainer results;
    QCOMPARE(results.getPingOkServers(), 0);
    QCOMPARE(results.getPingFailedServers(), 0);
    QVERIFY(!results.isVpnOk());
    results.servers = {server("a", "1"), server("b", "2"), server("c", "")};
    results.servers[1].pingOk = true;
    QCOMPARE(results.getPingOkServers(), 1);
    QCOMPARE(results.getPingFailedServers(), 2);
    QVERIFY(!results.isVpnOk());
    results.servers[0].vpnOk = true;
    QVERIFY(results.isVpnOk());
}

void tst_ConnectivityTest::singleRun_data()
{
    QTest::addColumn<QStringList>("serviceAddresses");
    QTest::addColumn<bool>("publicDnsUp");
    QTest::addColumn<bool>("nameServerKnows");
    QTest::addColumn<bool>("confirmed");
    // dnsOk, servicePingOk, publicDnsPingOk, nslookupOk, confirmOk, first server's pingOk
    QTest::addColumn<QList<bool>>("passed");

    const QStringList v4{ServiceV4.toString()};
    const QString v6 = ServiceV6.toString();
    QTest::newRow("all pass") << v4 << true << true << true << QList<bool>{true, true, true, true, true, true};
    QTest::newRow("8.8.8.8 down") << v4 << false << true << true << QList<bool>{true, true, false, true, true, true};
    QTest::newRow("system DNS down") << QStringList() << true << true << true
                                     << QList<bool>{false, false, true, true, true, true};
    QTest::newRow("IPv6 only") << QStringList{v6} << true << true << true
                               << QList<bool>{true, false, true, true, true, true};
    QTest::newRow("IPv4 after IPv6") << QStringList{v6, v4.first()} << true << true << true
                                     << QList<bool>{true, true, true, true, true, true};
    QTest::newRow("public name server does not know it")
        << v4 << true << false << true << QList<bool>{true, true, true, false, true, true};
    QTest::newRow("not confirmed") << v4 << true << true << false << QList<bool>{true, true, true, true, false, true};
}

void tst_ConnectivityTest::singleRun()
{
    QFETCH(QStringList, serviceAddresses);
    QFETCH(bool, publicDnsUp);
    QFETCH(bool, nameServerKnows);
    QFETCH(bool, confirmed);
    QFETCH(QList<bool>, passed);
    QList<QHostAddress> addresses;
    for (const QString& address : serviceAddresses)
        addresses << QHostAddress(address);
    probes->systemNames.insert(service(), addresses);
    if (!publicDnsUp)
        probes->answeringHosts.remove(QStringLiteral("8.8.8.8"));
    if (!nameServerKnows)
        probes->publicNames.clear();
    probes->confirmAnswers = confirmed;
    probes->httpAnswers = confirmed;
    probes->wifiOn = false;

    const MessageCapture log;
    const Results results = resultsWith({server("first", "10.0.0.1"), server("second", "10.0.0.2")});
    ConnectivityTestSingle runner(results, nullptr);
    QSignalSpy finished(&runner, &ConnectivityTestInterface::finished);
    runner.start();
    QCOMPARE(hMainHelp.state, 1);
    QVERIFY(finished.wait(20000));

    const bool servicePinged = passed[1];
    QCOMPARE(results->dnsOk, passed[0]);
    QCOMPARE(results->servicePingOk, passed[1]);
    QCOMPARE(results->servicePingLog, servicePinged ? ScriptedProbes::pingOutput(ServiceV4.toString(), true) : QString());
    QCOMPARE(results->publicDnsPingOk, passed[2]);
    QCOMPARE(results->publicDnsPingLog, ScriptedProbes::pingOutput("8.8.8.8", publicDnsUp));
    QCOMPARE(results->nslookupOk, passed[3]);
    QCOMPARE(results->confirmOk, passed[4]);
    QCOMPARE(results->httpOk, confirmed);
    QCOMPARE(results->servers[0].pingOk, passed[5]);
    QVERIFY(results->wifiAdapterPresent);
    QVERIFY(!results->wifiAdapterOn);
    // Only the first server is pinged; nothing traces.
    QCOMPARE(results->servers[1].pingLog, QString());
    QVERIFY(!probes->calls().contains("ping 10.0.0.2 2"));
    QCOMPARE(probes->calls().filter("traceroute"), QStringList());
    QVERIFY(probes->calls().contains("nslookup " + service() + " 8.8.8.8"));
    QVERIFY(probes->calls().contains("confirm 15000"));
    QVERIFY(probes->calls().contains("http 15000"));

    const QStringList lines = log.messages();
    QVERIFY(lines.contains("ping 8.8.8.8: " + ScriptedProbes::pingOutput("8.8.8.8", publicDnsUp)));
    QVERIFY(lines.contains("ping test: first 10.0.0.1"));
    QVERIFY(lines.contains("ping 10.0.0.1: " + ScriptedProbes::pingOutput("10.0.0.1", true)));
    const QString servicePing = "ping " + ServiceV4.toString() + ":" + ScriptedProbes::pingOutput(ServiceV4.toString(), true);
    QCOMPARE(lines.contains(servicePing), servicePinged);
}

void tst_ConnectivityTest::progressSteps_data()
{
    QTest::addColumn<QList<ServerTestRecord>>("servers");
    QTest::addColumn<QList<int>>("percents");

    QTest::newRow("no server") << QList<ServerTestRecord>() << QList<int>{16, 33, 50, 66, 83};
    QTest::newRow("one server") << QList<ServerTestRecord>{server("a", "10.0.0.1")}
                                << QList<int>{14, 28, 42, 57, 71, 85};
}

void tst_ConnectivityTest::progressSteps()
{
    QFETCH(QList<ServerTestRecord>, servers);
    ConnectivityTestSingle runner(resultsWith(servers), nullptr);
    QTEST(runToEnd(runner), "percents");
    // The watchers go once the run is over.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(runner.findChildren<QFutureWatcherBase*>().size(), 0);
}

void tst_ConnectivityTest::multiRunOrder()
{
    const Results results = resultsWith({server("a", "10.0.0.1"), server("b", "10.0.0.2")});
    ConnectivityTestMulti runner(results, nullptr);
    // One thread runs the tasks in the order they were scheduled.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    QCOMPARE(runToEnd(runner), (QList<int>{25, 50, 75}));
    QCOMPARE(hMainHelp.state, 2);
    QCOMPARE(probes->calls(),
             (QStringList{"ping 10.0.0.1 2", "traceroute 10.0.0.1", "ping 10.0.0.2 2", "traceroute 10.0.0.2"}));
    QVERIFY(results->servers[0].pingOk);
    QCOMPARE(results->servers[0].routeLog, QStringLiteral("trace to 10.0.0.1"));
    QVERIFY(!results->servers[1].pingOk);
    QCOMPARE(results->servers[1].pingLog, ScriptedProbes::pingOutput("10.0.0.2", false));
}

void tst_ConnectivityTest::emptyMultiRunEndsAtOnce()
{
    hMainHelp.state = 3;
    ConnectivityTestMulti runner(resultsWith({}), nullptr);
    QSignalSpy finished(&runner, &ConnectivityTestInterface::finished);
    runner.start();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(hMainHelp.state, 3);
    QCOMPARE(runner.findChildren<QFutureWatcherBase*>().size(), 0);
    QCOMPARE(probes->calls(), QStringList());
}

void tst_ConnectivityTest::multiRunSkipsWhatItCannotPing()
{
    const MessageCapture log;
    ServerTestRecord pinged = server("pinged", "10.0.0.1", "earlier output");
    pinged.pingOk = true;
    ServerTestRecord noIp = server("noip", "");
    const Results results = resultsWith({pinged, noIp});
    ConnectivityTestMulti runner(results, nullptr);
    QCOMPARE(runToEnd(runner).size(), 3);

    QCOMPARE(results->servers[0].pingLog, QStringLiteral("earlier output"));
    QVERIFY(results->servers[0].pingOk);
    QCOMPARE(results->servers[0].routeLog, QStringLiteral("trace to 10.0.0.1"));
    QVERIFY(!results->servers[1].pingOk);
    QCOMPARE(results->servers[1].routeLog, QString());
    QCOMPARE(probes->calls(), QStringList{"traceroute 10.0.0.1"});
    const QStringList lines = log.messages();
    QCOMPARE(lines.count("Ping already performed, skipped"), 1);
    QCOMPARE(lines.count("No IP, skipped"), 2);
    QCOMPARE(lines.count("ping test: noip "), 1);
    QCOMPARE(lines.count("route test: pinged 10.0.0.1"), 1);
}

void tst_ConnectivityTest::stopLeavesTasksNotBegun()
{
    probes->hold();
    const Results results = resultsWith({server("a", "10.0.0.1")});
    ConnectivityTestSingle runner(results, nullptr);
    QSignalSpy finished(&runner, &ConnectivityTestInterface::finished);
    runner.start();
    // The Wi-Fi task ends at once and frees its thread for the confirm request;
    // five wait in the network, the server's ping in the pool's queue.
    QTRY_COMPARE_WITH_TIMEOUT(probes->waiting(), 5, 20000);
    runner.stop();
    probes->releaseAll();
    QVERIFY(finished.wait(20000));

    QVERIFY(results->confirmOk);
    QVERIFY(results->dnsOk);
    // Its second look at the flag comes before its ping.
    QVERIFY(!results->servicePingOk);
    QCOMPARE(results->servers[0].pingLog, QString());
    QVERIFY(!probes->calls().contains("ping 10.0.0.1 2"));
    QVERIFY(!probes->calls().contains("ping " + ServiceV4.toString() + " 2"));
}

void tst_ConnectivityTest::poolIsLimited()
{
    QThreadPool::globalInstance()->setMaxThreadCount(12);
    ConnectivityTestSingle runner(resultsWith({}), nullptr);
    QCOMPARE(QThreadPool::globalInstance()->maxThreadCount(), 5);
}

// Without a network: a check that missed the script reaches nothing.
OZM_NAMESPACE_TEST_MAIN(tst_ConnectivityTest, PrivateNamespaces::Options())
#include "tst_ConnectivityTest.moc"
