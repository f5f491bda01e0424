#include "BedServiceReplies.h"
#include "Poll.h"
#include "ProbeBedTest.h"

#include <FakeLogind.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

#include <memory>

namespace {

const char* const MobilePath = "/mobile/licMobile";
const char* const SetupPath = "/setup_connection";

// The probe signed in; the VPN comes up only when asked.
class Probe : public ProbeSession
{
public:
    explicit Probe(const TestBed& bed)
        : ProbeSession(bed, {"--email", "alice@example.org", "--password", "ENCRYPTED-ACCOUNT-PASSWORD", "--option", "2"})
    {
    }
};

} // namespace

// The desktop client's VPN session on a test bed: the probe, the backend, the
// service stand-in and openvpn on the client side, logind on a private system bus.
class tst_EndToEndVpnSession : public ProbeBedTest
{
    Q_OBJECT
private slots:
    void activateUseAndDeactivate();
    void sessionComesBackAfterSleep();
    void wrongPasswordEndsInAuthenticationFailure();
    void deadFirstHostGivesWayToTheLiveOne();
};

// Activate: Activating, then Activated, traffic counted through the tunnel;
// Deactivate: Deactivating, then idle, with routes and resolver as before.
void tst_EndToEndVpnSession::activateUseAndDeactivate()
{
    service->reply(StandInReply("GET", MobilePath).act("init").xml(BedServiceReplies::init({TestBed::ServerHost})));
    service->reply(StandInReply("GET", SetupPath).xml(BedServiceReplies::setup(TestBed::ServerHost)));
    const QString routesBefore = bed->routes();
    const QByteArray resolverBefore = bed->resolvConf();
    probe = std::make_unique<Probe>(*bed);
    QVERIFY(!probe->next("LINK connected").isEmpty());
    QVERIFY(!probe->next("SERVERS 1").isEmpty());
    QVERIFY(!probe->next("LOCATION 10.77.0.50 Testville TL").isEmpty());

    probe->send("activate-manual");
    QVERIFY(!probe->next("STATE 3").isEmpty());
    QVERIFY(!probe->next("RESULT activate-manual true").isEmpty());
    QVERIFY(!probe->next("STATE 4").isEmpty());
    QVERIFY(bed->defaultRoute().contains(" dev tun"));
    QCOMPARE(requests(SetupPath).size(), 1);

    QProcess ping;
    bed->start(ping, "ping", {"-c", "3", "-i", "0.2", TestBed::TunnelGateway});
    QVERIFY(ping.waitForFinished(30000));
    QCOMPARE(ping.exitCode(), 0);
    probe->send("request OZM_UPDATE_VPN_STATISTICS");
    const QString stats = probe->next("STATS [1-9][0-9]* [1-9][0-9]*");
    QVERIFY2(!stats.isEmpty(), qPrintable(probe->transcript()));

    // The backend's states may come while the request waits for its reply.
    const int deactivation = probe->cursor;
    probe->send("deactivate");
    QVERIFY(!probe->next("RESULT deactivate true").isEmpty());
    QVERIFY(probe->seen(deactivation, "STATE 5"));
    QVERIFY(probe->seen(deactivation, "STATE [012]"));
    QVERIFY(Poll::until([this] { return bed->pids("openvpn").isEmpty(); }, 20000));
    QVERIFY(Poll::until([&] { return bed->routes() == routesBefore; }, 10000));
    QCOMPARE(bed->resolvConf(), resolverBefore);
    // The tunnel's traffic joined the stored total.
    probe.reset();
    const QStringList settings = QDir(bed->dataDir()).entryList({"*.ini"}, QDir::Files);
    QCOMPARE(settings.size(), 1);
    const QSettings config(bed->dataDir() + "/" + settings.first(), QSettings::IniFormat);
    QVERIFY(config.value("TotalBytes").toULongLong() >= stats.section(' ', 1, 1).toULongLong());
}

// Asleep while Activated: the session goes down and comes back after wake.
void tst_EndToEndVpnSession::sessionComesBackAfterSleep()
{
    service->reply(StandInReply("GET", MobilePath).act("init").xml(BedServiceReplies::init({TestBed::ServerHost})));
    service->reply(StandInReply("GET", SetupPath).xml(BedServiceReplies::setup(TestBed::ServerHost)));
    probe = std::make_unique<Probe>(*bed);
    QVERIFY(!probe->next("SERVERS 1").isEmpty());
    probe->send("activate");
    QVERIFY(!probe->next("STATE 4").isEmpty());

    QVERIFY(logind->prepareForSleep(true));
    QVERIFY(!probe->next("POWER sleep").isEmpty());
    QVERIFY(!probe->next("STATE 5").isEmpty());
    QVERIFY(!probe->next("STATE [012]").isEmpty());
    QVERIFY(logind->prepareForSleep(false));
    QVERIFY(!probe->next("POWER wake").isEmpty());
    QVERIFY(!probe->next("STATE 3").isEmpty());
    QVERIFY2(!probe->next("STATE 4").isEmpty(), qPrintable(probe->transcript()));
    QCOMPARE(requests(SetupPath).size(), 2);
}

// openvpn refuses the service's credentials; the service says the account's
// password is wrong; the backend gives up and the client is told.
void tst_EndToEndVpnSession::wrongPasswordEndsInAuthenticationFailure()
{
    service->reply(StandInReply("GET", MobilePath).act("init").xml(BedServiceReplies::init({TestBed::ServerHost})));
    service->reply(StandInReply("GET", SetupPath).xml(BedServiceReplies::setup(TestBed::ServerHost, "not-the-password")));
    service->reply(StandInReply("GET", MobilePath)
                       .act("verify_password")
                       .xml("<response><result><status>success</status><code>2011</code></result></response>"));
    probe = std::make_unique<Probe>(*bed);
    QVERIFY(!probe->next("SERVERS 1").isEmpty());
    probe->send("activate");
    QVERIFY(!probe->next("STATE 3").isEmpty());
    const int activating = probe->cursor;
    QVERIFY(!probe->next("FAILED authentication").isEmpty());
    // The backend's idle state comes before or after its verdict.
    QVERIFY(probe->seen(activating, "STATE [012]"));
    // The backend gives up only on the answer that the password is wrong.
    QCOMPARE(requests(MobilePath, "verify_password").size(), 1);
    // Each failure the client was told of is reported to the service (openvpn's
    // end on the refused password, then the session's); quitting sooner would cut
    // a report short.
    const int failures = probe->lines.filter(QRegularExpression("^FAILED (forced .*|authentication)$")).size();
    QVERIFY(Poll::until([&] { return requests(MobilePath, "log_vpn_error").size() == failures; }, 60000));
    QStringList reports;
    for (const StandInRequest& report : requests(MobilePath, "log_vpn_error"))
        reports << report.json.toArray().first().toObject().value("error").toString();
    QVERIFY2(reports.contains("VPN authentication error"), qPrintable(reports.join('\n')));
}

// The first host is dead: one set-up per host, in order, then the tunnel on the
// live one.
void tst_EndToEndVpnSession::deadFirstHostGivesWayToTheLiveOne()
{
    const QString dead = TestBed::DeadHosts.first();
    service->reply(StandInReply("GET", MobilePath).act("init").xml(BedServiceReplies::init({dead, TestBed::ServerHost})));
    service->reply(StandInReply("GET", SetupPath).xml(BedServiceReplies::setup(TestBed::ServerHost)));
    service->reply(StandInReply("GET", SetupPath).xml(BedServiceReplies::setup(dead)).times(1));
    probe = std::make_unique<Probe>(*bed);
    QVERIFY(!probe->next("SERVERS 2").isEmpty());
    probe->send("activate-manual");
    QVERIFY(!probe->next("SERVER " + dead + " Testbed").isEmpty());
    QVERIFY(!probe->next("STATE 3").isEmpty());
    QVERIFY(!probe->next("SERVER " + TestBed::ServerHost + " Testbed").isEmpty());
    QVERIFY(!probe->next("STATE 3").isEmpty());
    QVERIFY(!probe->next("STATE 4", 120000).isEmpty());
    QVERIFY(bed->defaultRoute().contains(" dev tun"));
    const QList<StandInRequest> setups = requests(SetupPath);
    QCOMPARE(setups.size(), 2);
    QVERIFY(setups.at(0).rawQuery().contains("vpnhost=" + dead.toUtf8()));
    QVERIFY(setups.at(1).rawQuery().contains("vpnhost=" + TestBed::ServerHost.toUtf8()));
}

QTEST_GUILESS_MAIN(tst_EndToEndVpnSession)

#include "tst_EndToEndVpnSession.moc"
