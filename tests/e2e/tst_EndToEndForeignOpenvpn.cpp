#include "EndToEndTest.h"

#include <LinkProtocol.h>

#include <QtTest>

#include <csignal>

namespace Event = LinkProtocol::Event;
namespace Request = LinkProtocol::Request;

// A desktop that already runs openvpn of its own - servers, another connection - in
// view of the backend, all of the very program the backend runs: the backend
// works with its own openvpn alone and leaves every other one running.
class tst_EndToEndForeignOpenvpn : public EndToEndTest
{
    Q_OBJECT
public:
    tst_EndToEndForeignOpenvpn()
        : EndToEndTest(Start::Session, TestBed::NameService::HostsFile, TestBed::ProcessView::Shared)
    {
    }

private slots:
    void otherOpenvpnsAreLeftAlone();
};

void tst_EndToEndForeignOpenvpn::otherOpenvpnsAreLeftAlone()
{
    LinkSession& link = session->link();
    TestBed& bed = session->bed();
    const QList<int> foreign = bed.foreignOpenvpns();
    QCOMPARE(foreign.size(), 3);

    QVERIFY(session->activateAndWait());
    QVERIFY2(bed.defaultRoute().contains(QLatin1String(" dev tun")), qPrintable(bed.defaultRoute()));
    link.request(QLatin1String(Request::VpnDeactivate));
    QVERIFY(link.nextEvent(QLatin1String(Event::ActivationStateChanged), {BackendSession::state(Deactivating)}));
    QVERIFY(link.nextEvent(QLatin1String(Event::ActivationStateChanged), {BackendSession::state(session->idleState())}));
    QVERIFY(session->tunnelGone());
    QCOMPARE(bed.routes(), session->routesBefore());
    link.close();
    QCOMPARE(session->backendExitCode(), 0);

    const QByteArray report = session->report();
    QVERIFY2(!report.contains("VpnCtl: Closing OpenVPN process by VpnProcessKiller"), report.constData());
    QVERIFY2(!report.contains("openvpn.exe already running"), report.constData());
    for (const int pid : foreign)
        QVERIFY2(pid > 0 && ::kill(pid, 0) == 0, qPrintable(QString::number(pid)));
}

QTEST_GUILESS_MAIN(tst_EndToEndForeignOpenvpn)
#include "tst_EndToEndForeignOpenvpn.moc"
