#include "EndToEndTest.h"

#include <LinkProtocol.h>

#include <QtTest>

#include <csignal>

namespace Event = LinkProtocol::Event;
namespace Request = LinkProtocol::Request;

// The desktop client vanishing without a word: the backend must close the session
// and take the tunnel down with it, whatever the activation had reached.
class tst_EndToEndLinkLoss : public EndToEndTest
{
    Q_OBJECT
public:
    tst_EndToEndLinkLoss()
        : EndToEndTest(Start::Session)
    {
    }

private slots:
    void killedClientTakesTheTunnelDown_data();
    void killedClientTakesTheTunnelDown();
};

void tst_EndToEndLinkLoss::killedClientTakesTheTunnelDown_data()
{
    // The event the client saw last; none: the reply to the activation request.
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("values");
    const QString stateChanged = QLatin1String(Event::ActivationStateChanged);
    QTest::newRow("openvpn starting") << stateChanged << QStringList{BackendSession::state(Activating)};
    QTest::newRow("tunnel being set up") << QString() << QStringList{};
    QTest::newRow("activated") << stateChanged << QStringList{BackendSession::state(Activated)};
}

void tst_EndToEndLinkLoss::killedClientTakesTheTunnelDown()
{
    QFETCH(QString, event);
    QFETCH(QStringList, values);
    LinkSession& link = session->link();
    session->activate(TestBed::ServerHost);
    if (event.isEmpty())
        QVERIFY(link.waitForReply(QLatin1String(Request::VpnActivate)));
    else
        QVERIFY(link.nextEvent(event, values));

    QCOMPARE(session->bed().signalProcesses(QStringLiteral("ozm_link_client"), SIGKILL), 1);
    QCOMPARE(session->backendExitCode(), 0);
    QVERIFY(session->tunnelGone());
    QCOMPARE(session->bed().routes(), session->routesBefore());
    QCOMPARE(session->bed().resolvConf(), session->resolvConfBefore());
}

QTEST_GUILESS_MAIN(tst_EndToEndLinkLoss)
#include "tst_EndToEndLinkLoss.moc"
