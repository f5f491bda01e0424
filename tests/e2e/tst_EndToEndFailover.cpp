#include "EndToEndTest.h"

#include <LinkProtocol.h>
#include <VpnCluster.h>
#include <VpnServer.h>

#include <QtTest>

namespace Event = LinkProtocol::Event;
namespace Request = LinkProtocol::Request;

// Activations that meet dead servers: the backend names the next server of the
// cluster and asks for a new activation, and the test answers as the desktop
// client does, activating the server named.
class tst_EndToEndFailover : public EndToEndTest
{
    Q_OBJECT
public:
    tst_EndToEndFailover()
        : EndToEndTest(Start::Session)
    {
    }

private slots:
    void deadServerGivesWayToTheNextOne();
    void clusterOfDeadServersEndsInEpicFail();

private:
    struct Tour
    {
        QStringList activated; // hosts, in order
        QString ending;        // the event that ended it; empty when nothing did
    };

    void useCluster(const QStringList& hosts);
    // Activates `host` and every server the backend names after it, until the
    // tunnel is up or the backend gives up.
    Tour followServerChanges(const QString& host);
};

void tst_EndToEndFailover::useCluster(const QStringList& hosts)
{
    QStringList servers;
    VpnCluster cluster;
    cluster.name = QStringLiteral("Testbed");
    cluster.description = QStringLiteral("Test bed servers");
    cluster.country = QStringLiteral("Testland");
    for (int i = 0; i < hosts.size(); ++i) {
        VpnServer server;
        server.name = QStringLiteral("server%1").arg(i);
        server.host = hosts.at(i);
        server.city = QStringLiteral("Testville");
        server.country = cluster.country;
        servers << server.toString();
        cluster.servers << server.name;
    }
    LinkSession& link = session->link();
    link.request(QLatin1String(Request::SetServersList),
                 {LinkProtocol::joinList(servers), LinkProtocol::joinList({cluster.toString()})});
    link.request(QLatin1String(Request::SetCurrentCluster), {cluster.name});
    QVERIFY(link.waitForReply(QLatin1String(Request::SetServersList)));
    QVERIFY(link.waitForReply(QLatin1String(Request::SetCurrentCluster)));
}

tst_EndToEndFailover::Tour tst_EndToEndFailover::followServerChanges(const QString& host)
{
    const QString stateChanged = QLatin1String(Event::ActivationStateChanged);
    const QString serverChanged = QLatin1String(Event::ActivatingServerChanged);
    const QString epicFail = QLatin1String(Event::VpnConnectionEpicFail);
    LinkSession& link = session->link();
    Tour tour{{host}, {}};
    session->activate(host);
    while (const auto event = link.nextEventOf({stateChanged, serverChanged, epicFail}, 15000)) {
        if (event->name == stateChanged && event->values.value(0) != BackendSession::state(Activated))
            continue;
        if (event->name != serverChanged || !link.nextEvent(QLatin1String(Event::RequestVpnActivation))) {
            tour.ending = event->name;
            break;
        }
        tour.activated << event->values.value(0);
        session->activate(tour.activated.last());
    }
    return tour;
}

void tst_EndToEndFailover::deadServerGivesWayToTheNextOne()
{
    useCluster({TestBed::DeadHosts.first(), TestBed::ServerHost});
    if (QTest::currentTestFailed())
        return;
    const Tour tour = followServerChanges(TestBed::DeadHosts.first());
    QCOMPARE(tour.activated, QStringList({TestBed::DeadHosts.first(), TestBed::ServerHost}));
    QCOMPARE(tour.ending, QLatin1String(Event::ActivationStateChanged));
    QVERIFY(session->bed().defaultRoute().contains(QLatin1String(" dev tun")));

    session->link().close();
    QCOMPARE(session->backendExitCode(), 0);
    QVERIFY(session->tunnelGone());
    QCOMPARE(session->bed().routes(), session->routesBefore());
    QCOMPARE(session->bed().resolvConf(), session->resolvConfBefore());
}

void tst_EndToEndFailover::clusterOfDeadServersEndsInEpicFail()
{
    useCluster(TestBed::DeadHosts);
    if (QTest::currentTestFailed())
        return;
    const Tour tour = followServerChanges(TestBed::DeadHosts.first());
    QCOMPARE(tour.activated, TestBed::DeadHosts);
    QCOMPARE(tour.ending, QLatin1String(Event::VpnConnectionEpicFail));
    QVERIFY(session->tunnelGone());
    QCOMPARE(session->bed().routes(), session->routesBefore());

    session->link().close();
    QCOMPARE(session->backendExitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_EndToEndFailover)
#include "tst_EndToEndFailover.moc"
