#include "BedServiceReplies.h"
#include "Poll.h"
#include "ProbeBedTest.h"

#include <ApiTestKit.h>
#include <LinkScriptSyntax.h>

#include <QtTest>

#include <memory>

namespace {

const char* const MobilePath = "/mobile/licMobile";
const char* const SetupPath = "/setup_connection";
// The account's password as the service encrypted it; a secret of the session.
const QString AccountPassword = QStringLiteral("ENCRYPTED-ACCOUNT-PASSWORD");
// A server of the list that the client side's routes refuse.
// One of the bed's dead hosts (TestBed::DeadHosts).
const QString BlockedHost = QStringLiteral("10.77.0.12");
const QString AllPassed = QStringLiteral("TESTROWS PASSED PASSED PASSED PASSED PASSED");
const QString AllFailed = QStringLiteral("TESTROWS FAILED FAILED FAILED FAILED FAILED");

// The value of a line's only word after its kind.
QString valueOf(const QString& line)
{
    return LinkScriptSyntax::split(line).value_or(QStringList()).value(1);
}

// A report's summary line of one server.
QString summaryLine(const QString& name, const QString& word)
{
    return QStringLiteral("\nServer: %1Ping: %2").arg(name, -40).arg(word);
}

} // namespace

// The Help window's connectivity test and support report on a test bed: the
// probe with the real controller and dialogs, the backend, the servers' side
// with 8.8.8.8 as a name server and the operator's web host, and the service
// stand-in that receives the report.
class tst_EndToEndDiagnostics : public ProbeBedTest
{
    Q_OBJECT
public:
    tst_EndToEndDiagnostics()
        : ProbeBedTest(TestBed::NameService::PublicDns)
    {
    }

private slots:
    void init();

    void networkDownFailsEveryCheck();
    void networkBackPassesEveryCheck();
    void reportReachesSupportWithoutSecrets();

private:
    void prepareBed() override;
};

void tst_EndToEndDiagnostics::prepareBed()
{
    QVERIFY(bed->prohibitRoute(BlockedHost));
    // Out of the process list, which the report carries.
    writeFile(bed->folder() + "/account-password", AccountPassword.toUtf8());
}

void tst_EndToEndDiagnostics::init()
{
    QVERIFY(bed->setNetworkUp(true));
    service->reply(StandInReply("GET", MobilePath)
                       .act("init")
                       .xml(BedServiceReplies::init({TestBed::ServerHost, BlockedHost})));
    service->reply(StandInReply("GET", SetupPath).xml(BedServiceReplies::setup(TestBed::ServerHost)));
    probe = std::make_unique<ProbeSession>(
        *bed, QStringList{"--diagnostics", "--email", "alice@example.org", "--password-file",
                          bed->folder() + "/account-password", "--serial", "SERIAL-0042", "--option", "2"});
    QVERIFY(!probe->next("LINK connected").isEmpty());
    QVERIFY(!probe->next("SERVERS 2").isEmpty());
}

// With the client side's only link down the backend reports no connection, and
// every check fails at once: the advice is the one for no Internet.
void tst_EndToEndDiagnostics::networkDownFailsEveryCheck()
{
    QVERIFY(bed->setNetworkUp(false));
    QVERIFY2(!probe->next("NETWORK [1-9].*").isEmpty(), qPrintable(probe->transcript()));
    probe->send("ctest " + TestBed::ServerHost.toUtf8());
    QCOMPARE(probe->next("TESTROWS .*", 120000), AllFailed);
    const QString advice = valueOf(probe->next("TESTADVICE .*"));
    QVERIFY2(advice.startsWith("Your computer does not appear to have an Internet connection.\n"), qPrintable(advice));
    QCOMPARE(valueOf(probe->next("TESTSERVER .*")), QStringLiteral("server0, Testville, TL"));
}

// The network back: the web host found through 8.8.8.8, its confirmation page
// and both pings answer.
void tst_EndToEndDiagnostics::networkBackPassesEveryCheck()
{
    QVERIFY(bed->setNetworkUp(false));
    QVERIFY(!probe->next("NETWORK [1-9].*").isEmpty());
    QVERIFY(bed->setNetworkUp(true));
    QVERIFY2(!probe->next("NETWORK 0 .*").isEmpty(), qPrintable(probe->transcript()));
    probe->send("ctest " + TestBed::ServerHost.toUtf8());
    QCOMPARE(probe->next("TESTROWS .*", 120000), AllPassed);
    QVERIFY(valueOf(probe->next("TESTADVICE .*")).contains("There is no visible problem with your network."));
}

// After a VPN session, the report asked for in the result dialog: its traces,
// then the form filled in by keyboard and sent. The service receives one
// request with the form's fields and a report of the bed's servers, and not a
// secret of the session.
void tst_EndToEndDiagnostics::reportReachesSupportWithoutSecrets()
{
    probe->send("activate-manual");
    QVERIFY(!probe->next("STATE 4", 120000).isEmpty());
    probe->send("deactivate");
    QVERIFY(!probe->next("RESULT deactivate true").isEmpty());
    QVERIFY(Poll::until([this] { return bed->pids("openvpn").isEmpty(); }, 20000));

    probe->send("ctest " + TestBed::ServerHost.toUtf8());
    QCOMPARE(probe->next("TESTROWS .*", 120000), AllPassed);
    probe->send("click sendReportButton");
    QCOMPARE(valueOf(probe->next("REPORTFORM .*", 180000)), QStringLiteral("Connectivity report"));
    probe->send("type leName \"Alice Tester\"");
    probe->send("type leEmail alice+diag@example.org");
    probe->send("type ptMessage \"No VPN in the hotel.\"");
    probe->send("click btnSend");
    QCOMPARE(probe->next("REPORTPAGE .*"), QStringLiteral("REPORTPAGE 1 \"\""));
    QCOMPARE(probe->next("REPORTPAGE .*"), QStringLiteral("REPORTPAGE 2 \"\""));
    QVERIFY2(!probe->lines.filter(QRegularExpression("^ERROR ")).size(), qPrintable(probe->transcript()));

    const QList<StandInRequest> sent = requests(MobilePath, "sendreport");
    QCOMPARE(sent.size(), 1);
    const StandInRequest& request = sent.first();
    QCOMPARE(request.formField("name"), QStringLiteral("Alice Tester"));
    QCOMPARE(request.formField("request_email"), QStringLiteral("alice+diag@example.org"));
    QVERIFY2(request.body.contains("request_email=alice%2Bdiag"), request.body.left(2000).constData());
    QCOMPARE(request.formField("user_subject"), QStringLiteral("Connectivity report"));
    QCOMPARE(request.formField("user_text"), QStringLiteral("No VPN in the hotel."));
    QCOMPARE(request.formField("serial"), QStringLiteral("SERIAL-0042"));
    const QString report = request.formField("request_text");
    QVERIFY2(report.contains("\nServer IP: " + BlockedHost), qPrintable(report.right(4000)));
    QVERIFY2(report.contains(summaryLine("server0", "PASSED")), qPrintable(report.right(4000)));
    QVERIFY2(report.contains(summaryLine("server1", "FAILED")), qPrintable(report.right(4000)));
    for (const QString& secret : {TestBed::Password, AccountPassword}) {
        QVERIFY2(!report.contains(secret), qPrintable(secret));
        QVERIFY2(!request.body.contains(secret.toUtf8()), qPrintable(secret));
    }
}

QTEST_GUILESS_MAIN(tst_EndToEndDiagnostics)

#include "tst_EndToEndDiagnostics.moc"
