#include "LogCapture.h"
#include "RoutingTable.h"
#include "PrivateNamespaces.h"
#include "RouteMonitorWait.h"

#include <QtTest>

using PrivateNamespaces::defaultRoutes;
using PrivateNamespaces::ip;

namespace {
const QString VpnGateway = QStringLiteral("10.2.0.1");
const QString VpnRoute = QStringLiteral("default via 10.2.0.1 dev d1");
const QString PhysicalRoute = QStringLiteral("default via 10.1.0.1 dev d0");
// How late a repair may come after its due time on a loaded machine.
constexpr int Slack = 1500;
// Timers of this length may fire up to 5% early.
constexpr int EarliestRepairMs = RoutingTable::RepairDelayMs * 95 / 100;

QByteArray resolvConf()
{
    QFile file(QStringLiteral("/etc/resolv.conf"));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}
} // namespace

// d0 (router 10.1.0.1) stands for the physical network, d1 (10.2.0.1) for the
// tunnel. The guard runs with the machine's own network control, so its DNS
// repair lands in this namespace's private resolv.conf.
class tst_RoutingTableGuard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void repairsFiveSecondsAfterTheLastChange();
    void leavesTableAloneWithoutVpnRouteAtStart();
    void failedRepairIsLoggedAsFailed();

private:
    void settle();

    RoutingTable* table = nullptr;
};

void tst_RoutingTableGuard::initTestCase()
{
    QVERIFY(PrivateNamespaces::ipBatch({"link add d0 type veth peer name p0", "link add d1 type veth peer name p1",
                                           "link set p0 up", "link set d0 up", "link set p1 up", "link set d1 up",
                                           "addr add 10.1.0.2/24 dev d0", "addr add 10.2.0.2/24 dev d1"}));
    table = RoutingTable::instance();
    QSignalSpy ready(table, &RoutingTable::tableChanged);
    table->init();
    QVERIFY(waitUntilRouteMonitorHears(ready));
}

void tst_RoutingTableGuard::init()
{
    table->stopWatching();
    QVERIFY(PrivateNamespaces::ipBatch({"link set p1 up", "link set d1 up"}));
    QVERIFY(ip("-4 route flush exact 0.0.0.0/0"));
}

void tst_RoutingTableGuard::cleanupTestCase()
{
    table->deinit();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Lets the monitor's reports of the set-up changes run out.
void tst_RoutingTableGuard::settle()
{
    QSignalSpy changed(table, &RoutingTable::tableChanged);
    while (changed.wait(300))
        ;
}

void tst_RoutingTableGuard::repairsFiveSecondsAfterTheLastChange()
{
    QVERIFY(ip("route add default via " + VpnGateway));
    settle();
    QTest::ignoreMessage(QtDebugMsg, "RoutingTable: Default route: true 10.2.0.1");
    table->startWatching(VpnGateway);

    QSignalSpy changed(table, &RoutingTable::tableChanged);
    QVERIFY(ip("route replace default via 10.1.0.1"));
    QVERIFY(changed.wait(2000));
    QVERIFY(!changed.wait(1000));
    QVERIFY(ip("route add default via 10.1.0.1 metric 30"));
    QElapsedTimer sinceLastChange;
    sinceLastChange.start();
    QVERIFY(changed.wait(2000));
    QCOMPARE(defaultRoutes().value(0), PhysicalRoute);

    // The next change is the guard's own repair.
    QTest::ignoreMessage(QtDebugMsg, "RoutingTable: VPN default route is recovered.");
    QVERIFY(changed.wait(RoutingTable::RepairDelayMs + Slack));
    QVERIFY2(sinceLastChange.elapsed() >= EarliestRepairMs,
             qPrintable(QString::number(sinceLastChange.elapsed())));
    QCOMPARE(defaultRoutes().value(0), VpnRoute);
    QVERIFY2(resolvConf().contains("nameserver 8.8.8.8\n"), resolvConf().constData());
}

void tst_RoutingTableGuard::leavesTableAloneWithoutVpnRouteAtStart()
{
    QVERIFY(ip("route add default via 10.1.0.1"));
    settle();
    QTest::ignoreMessage(QtDebugMsg, "RoutingTable: Default route: false ");
    table->startWatching(VpnGateway);

    QSignalSpy changed(table, &RoutingTable::tableChanged);
    QVERIFY(ip("route add default via 10.1.0.1 metric 7"));
    QVERIFY(changed.wait(2000));
    QVERIFY(!changed.wait(RoutingTable::RepairDelayMs + 500));
    QCOMPARE(defaultRoutes(), (QStringList{PhysicalRoute, PhysicalRoute + " metric 7"}));
}

// The tunnel's link is gone by the time the repair runs, so the route to its
// gateway cannot be added back.
void tst_RoutingTableGuard::failedRepairIsLoggedAsFailed()
{
    QVERIFY(ip("route add default via " + VpnGateway));
    settle();
    table->startWatching(VpnGateway);

    LogCapture log;
    QVERIFY(PrivateNamespaces::ipBatch({"link set d1 down", "route add default via 10.1.0.1"}));
    QTRY_VERIFY_WITH_TIMEOUT(log.contains("ERROR RoutingTable: VPN default route is not recovered."), 30000);
    QVERIFY(log.contains("ERROR RoutingTable: add route failed: default 10.2.0.1"));
    QVERIFY2(!log.contains("RoutingTable: VPN default route is recovered."), qPrintable(log.messages().join('\n')));
    QVERIFY(!log.contains("RoutingTable: add route default"));
}

OZM_NAMESPACE_TEST_MAIN(tst_RoutingTableGuard, PrivateNamespaces::Options())
#include "tst_RoutingTableGuard.moc"
