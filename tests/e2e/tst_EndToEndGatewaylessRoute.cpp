#include "EndToEndTest.h"

#include "Poll.h"

#include <LinkProtocol.h>

#include <QtTest>

#include <csignal>

namespace Event = LinkProtocol::Event;

// The network's default route names only its device, as PPP, WireGuard and mobile
// links have it.
class tst_EndToEndGatewaylessRoute : public EndToEndTest
{
    Q_OBJECT
public:
    tst_EndToEndGatewaylessRoute()
        : EndToEndTest(Start::Session)
    {
    }

private slots:
    void endOfOpenvpnLeavesTheRouteAlone();
};

// openvpn ends while the network's own default route, with no gateway, is in
// place: that is no crashed routing table and calls for no repair.
void tst_EndToEndGatewaylessRoute::endOfOpenvpnLeavesTheRouteAlone()
{
    TestBed& bed = session->bed();
    LinkSession& link = session->link();
    const QString device = bed.defaultRoute().section(QStringLiteral(" dev "), 1).section(QLatin1Char(' '), 0, 0);
    QVERIFY2(!device.isEmpty(), qPrintable(bed.defaultRoute()));
    const QString gatewayless = QStringLiteral("default dev ") + device;

    QVERIFY(session->activateAndWait());
    const QList<int> openvpn = bed.pids(QStringLiteral("openvpn"));
    QCOMPARE(openvpn.size(), 1);
    // The guard would put the tunnel's route back only seconds later; openvpn is gone long before.
    QVERIFY(bed.replaceDefaultRouteByDevice(device));
    QCOMPARE(::kill(openvpn.first(), SIGKILL), 0);

    QVERIFY2(Poll::until([&] { return link.transcript().contains(
                                   QStringLiteral("RoutingTable: check for routing table crash - default route is found")); },
                         15000),
             qPrintable(link.transcript()));
    QVERIFY2(bed.defaultRoute().startsWith(gatewayless), qPrintable(bed.defaultRoute()));
    QVERIFY(!link.transcript().contains(QStringLiteral("VpnCtl: routing table is crashed")));
}

QTEST_GUILESS_MAIN(tst_EndToEndGatewaylessRoute)
#include "tst_EndToEndGatewaylessRoute.moc"
