#include "ScriptedProbes.h"

#include <ApiTestKit.h>
#include <ConnectionChecker.h>
#include <ConnectivityTest.h>
#include <ConnectivityTestReportDlg.h>
#include <MainHelpTab.h>
#include <NetworkCtlClient.h>
#include <SharedMetaTypes.h>
#include <TechSupportSender.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(VpnServer)

namespace {

VpnServer vpnServer(int number)
{
    VpnServer server;
    server.name = QStringLiteral("server %1").arg(number);
    server.host = QStringLiteral("10.0.0.%1").arg(number);
    return server;
}

QList<VpnServer> servers(int count)
{
    QList<VpnServer> list;
    for (int i = 1; i <= count; ++i)
        list << vpnServer(i);
    return list;
}

} // namespace

class tst_ConnectivityTestCtl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void firstFiveServers_data();
    void firstFiveServers();
    void answersEndingTheWait_data();
    void answersEndingTheWait();
    void rechecksUntilTheLimit();
    void secondSwitchOnRestartsTheSameWait();
    void testStartedDuringTheWaitIsLeftAlone();

private:
    int runs() const { return probes->calls().filter(QStringLiteral("http ")).size(); }
    QTimer* timer(const char* name) const { return ctl->findChild<QTimer*>(QLatin1String(name)); }

    std::unique_ptr<ScriptedProbes> probes;
    std::unique_ptr<ConnectivityTest> ctl;
};

void tst_ConnectivityTestCtl::initTestCase()
{
    qRegisterMetaType<VpnServer>();
    qRegisterMetaType<SharedTestResults>();
    registerSharedMetaTypes();
    // No backend and no network: the checker finds no connection at once.
    NetworkCtlClient::initDetachedInstance(qApp);
}

void tst_ConnectivityTestCtl::init()
{
    hMainHelp = MainHelpTab();
    probes = std::make_unique<ScriptedProbes>();
    ctl = std::make_unique<ConnectivityTest>();
}

void tst_ConnectivityTestCtl::cleanup()
{
    ctl.reset();
    probes.reset();
}

void tst_ConnectivityTestCtl::firstFiveServers_data()
{
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("tested");

    QTest::newRow("three") << 3 << 3;
    QTest::newRow("eight") << 8 << 5;
}

void tst_ConnectivityTestCtl::firstFiveServers()
{
    QFETCH(int, given);
    QFETCH(int, tested);

    ctl->setServers(servers(given));
    QSignalSpy completed(ctl->supportSender(), &TechSupportSender::connectivityTestCompleted);
    ctl->start();
    QVERIFY(completed.wait(30000));
    const auto results = completed.at(0).at(0).value<SharedTestResults>();
    QCOMPARE(results->servers.size(), tested);
    for (int i = 0; i < tested; ++i)
        QCOMPARE(results->servers.at(i).ip, vpnServer(i + 1).host);
    QVERIFY(ctl->resultDialog()->isVisible());
}

void tst_ConnectivityTestCtl::answersEndingTheWait_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("loginMayBeRequired");

    QTest::newRow("connected") << int(Connected) << false;
    QTest::newRow("captive portal counts as connected") << int(Connected + 1) << true;
}

void tst_ConnectivityTestCtl::answersEndingTheWait()
{
    QFETCH(int, state);
    QFETCH(bool, loginMayBeRequired);

    QSignalSpy completed(ctl->supportSender(), &TechSupportSender::connectivityTestCompleted);
    QSignalSpy purged(ctl.get(), &ConnectivityTest::purgeMainHelpTabLayout);
    ctl->activateWireless();
    QCOMPARE(hMainHelp.state, 4);
    QCOMPARE(purged.size(), 1);
    ctl->setConnectionState(ConnectionPhysicalState(state), loginMayBeRequired);
    QCOMPARE(hMainHelp.state, 0);
    QVERIFY(timer("restartTimer")->isActive());
    QCOMPARE(timer("restartTimer")->interval(), 2000);
    QVERIFY(!timer("recheckTimer")->isActive());
    QVERIFY(!ctl->findChild<ConnectionChecker*>());
    QVERIFY(completed.wait(30000));
    QCOMPARE(purged.size(), 2);
    QCOMPARE(runs(), 1);
}

// The real checker keeps finding no connection here, so the wait runs into its
// limit and the test runs anyway.
void tst_ConnectivityTestCtl::rechecksUntilTheLimit()
{
    MessageCapture log;
    QSignalSpy completed(ctl->supportSender(), &TechSupportSender::connectivityTestCompleted);
    QElapsedTimer clock;
    clock.start();
    ctl->activateWireless();
    QCOMPARE(timer("recheckTimer")->interval(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(log.messages().filter("CT connection state: ConnectionPhysicalState(").size() >= 2, 20000);
    QCOMPARE(runs(), 0);
    QVERIFY(completed.wait(60000));
    QVERIFY(clock.elapsed() >= 15000 + 2000);
    QVERIFY(log.messages().contains(QStringLiteral("Failed to wait for connection to up")));
    QCOMPARE(runs(), 1);
}

void tst_ConnectivityTestCtl::secondSwitchOnRestartsTheSameWait()
{
    QSignalSpy completed(ctl->supportSender(), &TechSupportSender::connectivityTestCompleted);
    ctl->activateWireless();
    ctl->setConnectionState(ConnectionPhysicalState(Connected + 1), false);
    QVERIFY(timer("recheckTimer")->isActive());
    ctl->activateWireless();
    QVERIFY(!timer("recheckTimer")->isActive());
    ctl->setConnectionState(Connected, false);
    // A late answer of the first wait changes nothing.
    ctl->setConnectionState(Connected, false);
    QVERIFY(completed.wait(30000));
    QTRY_VERIFY_WITH_TIMEOUT(!timer("restartTimer")->isActive() && !timer("recheckTimer")->isActive(), 5000);
    QCOMPARE(completed.size(), 1);
    QCOMPARE(runs(), 1);
}

void tst_ConnectivityTestCtl::testStartedDuringTheWaitIsLeftAlone()
{
    QSignalSpy completed(ctl->supportSender(), &TechSupportSender::connectivityTestCompleted);
    ctl->activateWireless();
    ctl->setConnectionState(Connected, false);
    probes->hold();
    ctl->start();
    QCOMPARE(hMainHelp.state, 1);
    QTRY_VERIFY_WITH_TIMEOUT(!timer("restartTimer")->isActive(), 20000);
    probes->releaseAll();
    QVERIFY(completed.wait(30000));
    QCOMPARE(runs(), 1);
}

QTEST_MAIN(tst_ConnectivityTestCtl)
#include "tst_ConnectivityTestCtl.moc"
