#include "EndToEndTest.h"

#include <LinkProtocol.h>
#include <VpnAuthFailedClientAnswer.h>

#include <QtTest>

namespace Event = LinkProtocol::Event;
namespace Request = LinkProtocol::Request;

// One activation through the real backend, openvpn and servers, as the desktop
// client drives it.
class tst_EndToEndSession : public EndToEndTest
{
    Q_OBJECT
public:
    tst_EndToEndSession()
        : EndToEndTest(Start::Session)
    {
    }

private slots:
    void activationCarriesTrafficAndDeactivationRestores();
    void rejectedPasswordEndsInAuthenticationFailure();
};

void tst_EndToEndSession::activationCarriesTrafficAndDeactivationRestores()
{
    LinkSession& link = session->link();
    TestBed& bed = session->bed();
    QVERIFY(session->activateAndWait());
    QVERIFY2(bed.defaultRoute().contains(QLatin1String(" dev tun")), qPrintable(bed.defaultRoute()));
    QCOMPARE(bed.resolvConf(), QByteArray("nameserver 10.8.0.1\n"));

    // The server's end of the tunnel is reachable only through it.
    QProcess ping;
    bed.start(ping, QStringLiteral("/usr/bin/ping"),
              {QStringLiteral("-c"), QStringLiteral("25"), QStringLiteral("-i"), QStringLiteral("0.2"),
               TestBed::TunnelGateway});
    link.skipPendingEvents();
    const auto before = link.nextEvent(QLatin1String(Event::VpnStatisticsUpdated), {}, 5000);
    const auto after = link.nextEvent(QLatin1String(Event::VpnStatisticsUpdated), {}, 5000);
    QVERIFY(before && after);
    QVERIFY2(before->values.value(0).toULongLong() > 0 && before->values.value(1).toULongLong() > 0,
             qPrintable(before->values.join(' ')));
    QVERIFY2(after->values.value(0).toULongLong() > before->values.value(0).toULongLong(),
             qPrintable(after->values.join(' ')));
    QVERIFY2(after->values.value(1).toULongLong() > before->values.value(1).toULongLong(),
             qPrintable(after->values.join(' ')));
    QVERIFY(ping.waitForFinished(10000));
    QCOMPARE(ping.exitCode(), 0);

    link.request(QLatin1String(Request::VpnDeactivate));
    QVERIFY(link.nextEvent(QLatin1String(Event::ActivationStateChanged), {BackendSession::state(Deactivating)}));
    QVERIFY(link.nextEvent(QLatin1String(Event::ActivationStateChanged), {BackendSession::state(session->idleState())}));
    QVERIFY(session->tunnelGone());
    QCOMPARE(bed.routes(), session->routesBefore());
    QCOMPARE(bed.resolvConf(), session->resolvConfBefore());

    link.close();
    QCOMPARE(session->backendExitCode(), 0);
}

void tst_EndToEndSession::rejectedPasswordEndsInAuthenticationFailure()
{
    LinkSession& link = session->link();
    session->activate(TestBed::ServerHost, QStringLiteral("not-the-password"));
    QVERIFY(link.nextEvent(QLatin1String(Event::VpnAuthFailed)));

    // The desktop client has checked the password with the service: it is wrong.
    link.request(QLatin1String(Request::OnVpnAuthFailedAnswer), {QString::number(AnswerPasswordInvalid)});
    QVERIFY(link.nextEvent(QLatin1String(Event::ActivationStateChanged), {BackendSession::state(session->idleState())}));
    QVERIFY(link.nextEvent(QLatin1String(Event::AuthenticationFailed)));
    QVERIFY(session->tunnelGone());
    QCOMPARE(session->bed().routes(), session->routesBefore());
    QCOMPARE(session->bed().resolvConf(), session->resolvConfBefore());

    link.close();
    QCOMPARE(session->backendExitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_EndToEndSession)
#include "tst_EndToEndSession.moc"
