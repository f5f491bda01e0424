// The routes read over rtnetlink against what ip(8) reports for the same table,
// in a namespace of the test's own: a veth pair v0 (10.201.0.2) / v1, a second
// pair w0 (10.202.0.2) / w1, and a tun device without a process behind it, so
// without carrier (10.201.8.1).
#include "KernelRoutes.h"
#include "PrivateNamespaces.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using PrivateNamespaces::ipBatch;

namespace {

// What "ip -4 -j ARGUMENTS" prints, parsed; nothing when it fails.
std::optional<QJsonArray> ipJson(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("/usr/sbin/ip"), QStringList{"-4", "-j"} + arguments);
    if (!tool.waitForFinished(5000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return std::nullopt;
    return QJsonDocument::fromJson(tool.readAllStandardOutput()).array();
}

KernelRoutes::Route fromIp(const QJsonObject& entry)
{
    KernelRoutes::Route route;
    route.type = entry.value("type").toString(QStringLiteral("unicast"));
    route.gateway = entry.value("gateway").toString();
    route.device = entry.value("dev").toString();
    route.metric = quint32(entry.value("metric").toInt());
    route.linkDown = entry.value("flags").toArray().contains(QStringLiteral("linkdown"));
    return route;
}

QStringList lines(const QList<KernelRoutes::Route>& routes, const QString& destination)
{
    QStringList texts;
    for (const KernelRoutes::Route& route : routes)
        texts << route.text(destination);
    return texts;
}

// The default routes as ip(8) shows them, one line each.
QStringList shownByIp()
{
    QList<KernelRoutes::Route> routes;
    for (const QJsonValue& entry : ipJson({"route", "show", "default"}).value_or(QJsonArray()))
        routes << fromIp(entry.toObject());
    return lines(routes, "default");
}

QStringList readOverRtnetlink()
{
    QList<KernelRoutes::Route> routes;
    QString problem;
    if (!KernelRoutes::defaultRoutes(routes, &problem))
        return {problem};
    return lines(routes, "default");
}

// The route to the address as ip(8) gets it; "none" when it gets none.
QString gotByIp(const QString& address)
{
    const std::optional<QJsonArray> got = ipJson({"route", "get", address});
    return got ? fromIp(got->at(0).toObject()).text(address) : QStringLiteral("none");
}

QString askedOverRtnetlink(const QString& address)
{
    const std::optional<KernelRoutes::Route> route = KernelRoutes::routeTo(QHostAddress(address));
    return route ? route->text(address) : QStringLiteral("none");
}

} // namespace

class tst_KernelRoutes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void defaultRoutesAsIpShowsThem_data();
    void defaultRoutesAsIpShowsThem();
    void routeToAsIpGetsIt_data();
    void routeToAsIpGetsIt();
};

void tst_KernelRoutes::initTestCase()
{
    QVERIFY(ipBatch({"link add v0 type veth peer name v1", "addr add 10.201.0.2/24 dev v0",
                     "link add w0 type veth peer name w1", "addr add 10.202.0.2/24 dev w0",
                     "tuntap add dev tun7 mode tun", "addr add 10.201.8.1/24 dev tun7", "link set tun7 up"}));
}

void tst_KernelRoutes::init()
{
    QVERIFY(ipBatch({"link set v0 up", "link set v1 up", "link set w0 up", "link set w1 up",
                     "route flush exact 0.0.0.0/0", "route flush table 100"}));
}

void tst_KernelRoutes::defaultRoutesAsIpShowsThem_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<int>("count");

    QTest::newRow("none") << QStringList{} << 0;
    QTest::newRow("gateway") << QStringList{"route add default via 10.201.0.1"} << 1;
    QTest::newRow("several, in metric order")
        << QStringList{"route add default via 10.201.0.1 metric 100", "route add default via 10.202.0.1 metric 50"}
        << 2;
    QTest::newRow("no gateway") << QStringList{"route add default dev tun7"} << 1;
    QTest::newRow("link down") << QStringList{"route add default via 10.202.0.1", "link set w1 down"} << 1;
    QTest::newRow("gateway on link") << QStringList{"route add default via 192.0.2.1 dev v0 onlink"} << 1;
    QTest::newRow("protocol and source")
        << QStringList{"route add default via 10.201.0.1 proto dhcp src 10.201.0.2 metric 700"} << 1;
    QTest::newRow("blackhole and unreachable")
        << QStringList{"route add blackhole default metric 300", "route add unreachable default metric 500"} << 2;
    QTest::newRow("several next hops")
        << QStringList{"route add default metric 400 nexthop via 10.201.0.7 dev v0 nexthop via 10.202.0.8 dev w0"}
        << 1;
    QTest::newRow("other table") << QStringList{"route add default via 10.201.0.5 table 100"} << 0;
}

void tst_KernelRoutes::defaultRoutesAsIpShowsThem()
{
    QFETCH(QStringList, commands);
    QFETCH(int, count);
    QVERIFY(ipBatch(commands));

    // A lost carrier reaches the routes a moment later: both readings are taken again
    // until the kernel has settled.
    QTRY_COMPARE(readOverRtnetlink(), shownByIp());
    QCOMPARE(readOverRtnetlink().size(), count);
}

void tst_KernelRoutes::routeToAsIpGetsIt_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("routed");

    const QString far = QStringLiteral("198.51.100.7");
    QTest::newRow("through the gateway") << QStringList{"route add default via 10.201.0.1"} << far << true;
    QTest::newRow("gateway by metric")
        << QStringList{"route add default via 10.201.0.1 metric 100", "route add default via 10.202.0.1 metric 50"}
        << far << true;
    QTest::newRow("on the link") << QStringList{} << "10.202.0.9" << true;
    QTest::newRow("over the tunnel") << QStringList{"route add default dev tun7"} << far << true;
    QTest::newRow("own address") << QStringList{} << "10.201.0.2" << true;
    QTest::newRow("no route") << QStringList{} << far << false;
    QTest::newRow("blackhole") << QStringList{"route add blackhole default"} << far << false;
}

void tst_KernelRoutes::routeToAsIpGetsIt()
{
    QFETCH(QStringList, commands);
    QFETCH(QString, address);
    QFETCH(bool, routed);
    QVERIFY(ipBatch(commands));

    QCOMPARE(askedOverRtnetlink(address), gotByIp(address));
    QCOMPARE(askedOverRtnetlink(address) != QLatin1String("none"), routed);
}

OZM_NAMESPACE_TEST_MAIN(tst_KernelRoutes, PrivateNamespaces::Options())
#include "tst_KernelRoutes.moc"
