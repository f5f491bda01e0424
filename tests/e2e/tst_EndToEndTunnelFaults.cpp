#include "EndToEndTest.h"

#include "Poll.h"

#include <LinkProtocol.h>

#include <QtTest>

#include <csignal>

namespace Event = LinkProtocol::Event;

// Faults that hit a tunnel that is up: openvpn killed outright, the default route
// taken away from the tunnel by hand.
class tst_EndToEndTunnelFaults : public EndToEndTest
{
    Q_OBJECT
public:
    tst_EndToEndTunnelFaults()
        : EndToEndTest(Start::Activated)
    {
    }

private slots:
    void killedOpenvpnIsNoticedAndTheRoutingRepaired();
    void replacedDefaultRouteIsPutBack();
};

void tst_EndToEndTunnelFaults::killedOpenvpnIsNoticedAndTheRoutingRepaired()
{
    LinkSession& link = session->link();
    TestBed& bed = session->bed();
    // Finding the process runs a script, which takes its time on a busy machine: the
    // clock starts once the signal is out.
    const int killed = bed.signalProcesses(QStringLiteral("openvpn"), SIGKILL);
    const qint64 killedAt = link.elapsedMs();
    QCOMPARE(killed, 1);

    const auto left = link.nextEvent(QLatin1String(Event::ActivationStateChanged));
    QVERIFY(left);
    QVERIFY2(left->values.value(0) != BackendSession::state(Activated), qPrintable(left->values.join(' ')));
    QVERIFY2(left->receivedMs - killedAt < 2000, qPrintable(QString::number(left->receivedMs - killedAt)));

    // The tunnel took the default route with it: the backend puts the network's own
    // back and asks for a new activation.
    QVERIFY(link.nextEvent(QLatin1String(Event::RequestVpnActivation), {}, 5000));
    QVERIFY2(bed.defaultRoute().startsWith(QStringLiteral("default via ") + TestBed::LocalGateway),
             qPrintable(bed.defaultRoute()));
}

void tst_EndToEndTunnelFaults::replacedDefaultRouteIsPutBack()
{
    TestBed& bed = session->bed();
    const QString tunnelRoute = bed.defaultRoute();
    QVERIFY2(tunnelRoute.startsWith(QStringLiteral("default via ") + TestBed::TunnelGateway), qPrintable(tunnelRoute));

    QVERIFY(bed.replaceDefaultRoute(TestBed::LocalGateway));
    const qint64 replacedAt = session->link().elapsedMs();
    QVERIFY(bed.defaultRoute().startsWith(QStringLiteral("default via ") + TestBed::LocalGateway));

    QVERIFY(Poll::until([&] { return bed.defaultRoute() == tunnelRoute; }, 10000));
    const qint64 putBackAfter = session->link().elapsedMs() - replacedAt;
    QVERIFY2(putBackAfter > 4000 && putBackAfter < 8000, qPrintable(QString::number(putBackAfter)));
    QVERIFY(session->link().nextEvent(QLatin1String(Event::ActivationStateChanged), {}, 0) == std::nullopt);
}

QTEST_GUILESS_MAIN(tst_EndToEndTunnelFaults)
#include "tst_EndToEndTunnelFaults.moc"
