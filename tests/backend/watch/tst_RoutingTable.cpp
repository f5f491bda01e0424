#include "RoutingTable.h"
#include "RoutingTableWatchThread.h"
#include "PrivateNamespaces.h"
#include "RouteMonitorWait.h"

#include <QtTest>

using PrivateNamespaces::defaultRoutes;
using PrivateNamespaces::ip;
using PrivateNamespaces::ipBatch;

// Two links stand for the physical network (d0, router 10.1.0.1) and the
// tunnel (d1, VPN gateway 10.2.0.1).
class tst_RoutingTable : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void findDefaultRoute_data();
    void findDefaultRoute();
    void recoverVpnDefaultRoute_data();
    void recoverVpnDefaultRoute();
    void routingTableCrash_data();
    void routingTableCrash();
    void monitorSeesDefaultRouteChanges_data();
    void monitorSeesDefaultRouteChanges();

private:
    static void setLinks(const QString& state);
    void startMonitor();

    RoutingTableWatchThread* monitor = nullptr;
};

void tst_RoutingTable::initTestCase()
{
    QVERIFY(ipBatch({"link add d0 type veth peer name p0", "link add d1 type veth peer name p1",
                     "addr add 10.1.0.2/24 dev d0", "addr add 10.2.0.2/24 dev d1"}));
}

void tst_RoutingTable::init()
{
    setLinks("up");
    QVERIFY(ip("-4 route flush exact 0.0.0.0/0"));
}

void tst_RoutingTable::setLinks(const QString& state)
{
    QVERIFY(ipBatch({"link set p0 " + state, "link set d0 " + state, "link set p1 " + state,
                     "link set d1 " + state}));
}

void tst_RoutingTable::findDefaultRoute_data()
{
    QTest::addColumn<QStringList>("routes");
    QTest::addColumn<QString>("expectedGateway");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("route");

    QTest::newRow("no default route") << QStringList() << "" << false << "";
    QTest::newRow("first gateway") << QStringList{"default via 10.1.0.1 metric 10", "default via 10.2.0.1 metric 20"}
                                   << "" << true << "10.1.0.1";
    QTest::newRow("expected gateway second")
        << QStringList{"default via 10.1.0.1 metric 10", "default via 10.2.0.1 metric 20"} << "10.2.0.1" << true
        << "10.2.0.1";
    QTest::newRow("expected gateway absent") << QStringList{"default via 10.1.0.1"} << "10.2.0.1" << false << "";
    // PPP, WireGuard and mobile links route without a gateway: the device is the way out.
    QTest::newRow("default over a link has no gateway") << QStringList{"default dev d0"} << "" << true << "d0";
    QTest::newRow("default without a gateway first")
        << QStringList{"default dev d0 metric 5", "default via 10.2.0.1 metric 10"} << "" << true << "d0";
    QTest::newRow("expected gateway after a default without one")
        << QStringList{"default dev d0 metric 5", "default via 10.2.0.1 metric 10"} << "10.2.0.1" << true
        << "10.2.0.1";
    QTest::newRow("blackhole default is no way out") << QStringList{"blackhole default"} << "" << false << "";
}

void tst_RoutingTable::findDefaultRoute()
{
    QFETCH(QStringList, routes);
    QFETCH(QString, expectedGateway);
    QFETCH(bool, found);
    QFETCH(QString, route);

    for (const QString& r : routes)
        QVERIFY(ip("route add " + r));

    QString result = QStringLiteral("stale");
    QCOMPARE(RoutingTable::FindDefaultRoute(result, expectedGateway), found);
    QCOMPARE(result, route);
}

void tst_RoutingTable::recoverVpnDefaultRoute_data()
{
    QTest::addColumn<QStringList>("routes");
    QTest::addColumn<QString>("gateway");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("firstDefaultAfter");

    const QString vpnRoute = QStringLiteral("default via 10.2.0.1 dev d1");
    const QString physicalRoute = QStringLiteral("default via 10.1.0.1 dev d0");
    const QStringList physical{"default via 10.1.0.1"};

    QTest::newRow("no default route") << QStringList() << "10.2.0.1" << true << false << vpnRoute;
    QTest::newRow("already the VPN route") << QStringList{"default via 10.2.0.1"} << "10.2.0.1" << false << false
                                           << vpnRoute;
    QTest::newRow("another gateway") << physical << "10.2.0.1" << true << false << vpnRoute;
    QTest::newRow("VPN route second") << QStringList{"default via 10.1.0.1", "default via 10.2.0.1 metric 20"}
                                      << "10.2.0.1" << true << false << vpnRoute;
    QTest::newRow("gateway with an option") << physical << "10.2.0.1 dev lo" << false << true << physicalRoute;
    QTest::newRow("gateway as an option") << physical << "-batch" << false << true << physicalRoute;
    QTest::newRow("IPv6 gateway") << physical << "fe80::1" << false << true << physicalRoute;
    QTest::newRow("host name") << physical << "gw.example" << false << true << physicalRoute;
    QTest::newRow("short IPv4 form") << QStringList() << "10.2.1" << false << true << "";
    QTest::newRow("empty gateway") << physical << "" << false << true << physicalRoute;
}

void tst_RoutingTable::recoverVpnDefaultRoute()
{
    QFETCH(QStringList, routes);
    QFETCH(QString, gateway);
    QFETCH(bool, changed);
    QFETCH(bool, refused);
    QFETCH(QString, firstDefaultAfter);

    for (const QString& r : routes)
        QVERIFY(ip("route add " + r));
    if (refused)
        QTest::ignoreMessage(QtCriticalMsg,
                             QRegularExpression("^ERROR RoutingTable: refusing a route command with a gateway "
                                                "that is not an IPv4 address: "));

    QCOMPARE(RoutingTable::recoverVpnDefaultRoute(gateway), changed);
    QCOMPARE(defaultRoutes().value(0), firstDefaultAfter);
}

void tst_RoutingTable::routingTableCrash_data()
{
    QTest::addColumn<bool>("linksUp");
    QTest::addColumn<QString>("defaultRoute");
    QTest::addColumn<bool>("crashed");
    QTest::addColumn<QString>("logLine");

    const QString found = QStringLiteral("RoutingTable: check for routing table crash - default route is found");
    QTest::newRow("link up, no default route") << true << "" << true << "";
    QTest::newRow("link up, default route") << true << "default via 10.1.0.1" << false << found;
    QTest::newRow("link up, default route without gateway") << true << "default dev d0" << false << found;
    QTest::newRow("no link up") << false << "" << false
                                << "RoutingTable: check for routing table crash - connection isn't enabled";
}

void tst_RoutingTable::routingTableCrash()
{
    QFETCH(bool, linksUp);
    QFETCH(QString, defaultRoute);
    QFETCH(bool, crashed);
    QFETCH(QString, logLine);

    if (!defaultRoute.isEmpty())
        QVERIFY(ip("route add " + defaultRoute));
    if (!linksUp)
        setLinks("down");
    if (!logLine.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, qPrintable(logLine));

    QCOMPARE(RoutingTable::isRoutingTableCrashed(), crashed);
}

void tst_RoutingTable::monitorSeesDefaultRouteChanges_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("seen");

    QTest::newRow("default added") << "" << "route add default via 10.1.0.1" << true;
    QTest::newRow("default replaced") << "route add default via 10.1.0.1" << "route replace default via 10.2.0.1"
                                      << true;
    QTest::newRow("default deleted") << "route add default via 10.1.0.1" << "route del default" << true;
    QTest::newRow("second default added") << "route add default via 10.1.0.1"
                                          << "route add default via 10.2.0.1 metric 9" << true;
    QTest::newRow("other route added") << "" << "route add 10.9.0.0/16 via 10.1.0.1" << false;
    QTest::newRow("address added") << "" << "addr add 10.1.0.7/24 dev d0" << false;
}

// The monitor runs for the whole test; each row lets the table settle before
// its change, so a signal belongs to that change alone.
void tst_RoutingTable::monitorSeesDefaultRouteChanges()
{
    QFETCH(QString, before);
    QFETCH(QString, change);
    QFETCH(bool, seen);

    if (!monitor)
        startMonitor();
    if (!before.isEmpty())
        QVERIFY(ip(before));
    QSignalSpy changed(monitor, &RoutingTableWatchThread::routeChanged);
    changed.wait(200);
    changed.clear();

    QVERIFY(ip(change));
    QCOMPARE(changed.wait(seen ? 2000 : 300), seen);
}

void tst_RoutingTable::startMonitor()
{
    monitor = new RoutingTableWatchThread(this);
    QSignalSpy ready(monitor, &RoutingTableWatchThread::routeChanged);
    monitor->start();
    QVERIFY(waitUntilRouteMonitorHears(ready));
}

OZM_NAMESPACE_TEST_MAIN(tst_RoutingTable, PrivateNamespaces::Options())
#include "tst_RoutingTable.moc"
