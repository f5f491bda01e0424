#include "BedNetworkManager.h"
#include "ClientBedTest.h"
#include "Poll.h"

#include <QtTest>

namespace {

const char* const MobilePath = "/mobile/licMobile";
const QString HelpWindow = QStringLiteral("Ozmira - Help");
// A server of the list that the client side's routes refuse: one of the bed's
// dead hosts (TestBed::DeadHosts).
const QString BlockedHost = QStringLiteral("10.77.0.12");
const QString WifiLink = QStringLiteral("wlan0");
// An account address with "+", which the report's form fills in from the account.
const QString Email = QStringLiteral("alice+diag@example.org");
const QString AccountPassword = QStringLiteral("Plain-Secret-7");
// The result dialog's words: PASSED and Enabled in the pass colour, FAILED and
// Disabled in the fail colour.
constexpr QRgb PassColour = 0x41AF41;
constexpr QRgb FailColour = 0xEB1C23;
constexpr int ResultRows = 5;

} // namespace

// The Help window's connectivity test in the installed client on a test bed,
// as its user sees it: the disconnected screen's button, the results docked in
// the Help window, the support report sent from there, and the Wi-Fi adapter
// switched on from there. The client side finds names only through the bed's
// 8.8.8.8; the results are read from their colours on the screen.
class tst_EndToEndClientDiagnostics : public ClientBedTest
{
    Q_OBJECT
public:
    tst_EndToEndClientDiagnostics()
        : ClientBedTest(TestBed::NameService::PublicDns)
    {
    }

private slots:
    void networkDownFailsEveryCheck();
    void networkBackPassesAndReportReachesSupport();
    void wifiSwitchedOnFromTheResults();

private:
    void prepareBed() override;
    // The test run from the tray's Help: the third entry from the bottom; its
    // third tab, the connectivity test, and the tab's button.
    void runTestFromHelp(const QString& shotName);
    // The client started while the client side's network is down: its main
    // window, shown as it starts, says so.
    void startDisconnected(const QString& shotPrefix);
    // The Help window's results once they show that many rows of each colour;
    // null when they do not within the time.
    QImage resultsShowing(int passRows, int failRows, const QString& shotName);
};

void tst_EndToEndClientDiagnostics::prepareBed()
{
    QVERIFY(bed->prohibitRoute(BlockedHost));
}

void tst_EndToEndClientDiagnostics::startDisconnected(const QString& shotPrefix)
{
    serveAccount(Email, {TestBed::ServerHost, BlockedHost});
    QVERIFY(bed->setNetworkUp(false));
    client = startClient();
    QVERIFY(client->showed("ScreenDisconnected", 120000));
    QVERIFY(desktop->windowShown(MainWindow, 60000));
    QVERIFY(!desktop->shot(MainWindow, shotPrefix + "-disconnected").isNull());
}

QImage tst_EndToEndClientDiagnostics::resultsShowing(int passRows, int failRows, const QString& shotName)
{
    QImage shown;
    const bool showing = Poll::until(
        [&] {
            shown = desktop->shot(HelpWindow, shotName);
            return BedDesktop::textLinesOf(shown, FailColour) == failRows
                && BedDesktop::textLinesOf(shown, PassColour) >= passRows;
        },
        120000);
    return showing ? shown : QImage();
}

// With the client side's only link down the main window says so; its "Run
// Connectivity Test" opens the Help window, where every check fails (the
// advice for no Internet beside them is for the eye, on the screenshot).
void tst_EndToEndClientDiagnostics::networkDownFailsEveryCheck()
{
    startDisconnected("tst_EndToEndClientDiagnostics-01");
    if (QTest::currentTestFailed())
        return;
    // The screen's only button.
    QVERIFY(desktop->typeInto(MainWindow, QString(), {"Tab", "space"}));
    QVERIFY(desktop->windowShown(HelpWindow, 60000));
    QVERIFY(!client->next(".*Welcome Screen has started Connectivity Test.*").isEmpty());
    // Every row FAILED; the Wi-Fi adapter, which every machine reports, on.
    QVERIFY(!resultsShowing(1, ResultRows, "tst_EndToEndClientDiagnostics-02-failed").isNull());
}

void tst_EndToEndClientDiagnostics::runTestFromHelp(const QString& shotName)
{
    QVERIFY(desktop->openTrayMenu());
    QVERIFY(desktop->press({"Up", "Up", "Up", "Return"}));
    QVERIFY(desktop->windowShown(HelpWindow, 60000));
    QVERIFY(desktop->typeInto(HelpWindow, QString(), {"ctrl+Tab", "ctrl+Tab", "Tab", "space"}));
    // The progress shows in the tab.
    QVERIFY(!desktop->shot(HelpWindow, shotName).isNull());
}

// After a VPN session and the network gone and back, the test from the Help
// window passes every check: the web host found through 8.8.8.8, its
// confirmation page and the pings. The report asked for in the results: its
// traces, then the form filled in by keyboard, the account's e-mail with "+"
// already in it, and sent. The service receives one request with the form's
// fields and a report of the bed's servers, and not a secret of the session.
void tst_EndToEndClientDiagnostics::networkBackPassesAndReportReachesSupport()
{
    serveAccount(Email, {TestBed::ServerHost, BlockedHost});
    signIn(Email, AccountPassword, "tst_EndToEndClientDiagnostics-report");
    if (QTest::currentTestFailed())
        return;
    // Activate and Deactivate, the menu's first entry.
    QVERIFY(desktop->openTrayMenu());
    QVERIFY(desktop->press({"Down", "Return"}));
    QVERIFY(client->turned("Activated", 120000));
    QVERIFY(desktop->openTrayMenu());
    QVERIFY(desktop->press({"Down", "Return"}));
    QVERIFY(client->turned("(StateSecure|Deactivated)"));
    QVERIFY(Poll::until([this] { return bed->pids("openvpn").isEmpty(); }, 30000));

    // The network gone and back.
    QVERIFY(bed->setNetworkUp(false));
    QVERIFY(client->turned("Disconnected"));
    QVERIFY(bed->setNetworkUp(true));
    QVERIFY(client->turned("(StateSecure|Deactivated)"));

    runTestFromHelp("tst_EndToEndClientDiagnostics-report-progress");
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!resultsShowing(ResultRows + 1, 0, "tst_EndToEndClientDiagnostics-report-passed").isNull());
    // Send Report, the dialog's first button with the Wi-Fi adapter on.
    QVERIFY(desktop->typeInto(HelpWindow, QString(), {"Tab", "space"}));
    QVERIFY(!desktop->shot(HelpWindow, "tst_EndToEndClientDiagnostics-report-traces").isNull());
    QVERIFY(!client->next(".*TechSupportSender \\[Get OS Version\\].*", 120000).isEmpty());
    QVERIFY(!desktop->shot(HelpWindow, "tst_EndToEndClientDiagnostics-report-form").isNull());
    // The name has the keyboard; the e-mail and the subject are filled in.
    QVERIFY(desktop->typeInto(HelpWindow, "Alice Tester", {"Tab", "Tab", "Tab"}));
    QVERIFY(desktop->typeInto(HelpWindow, "No VPN in the hotel.", {"Tab", "Tab"}));
    QVERIFY(!desktop->shot(HelpWindow, "tst_EndToEndClientDiagnostics-report-filled").isNull());
    QVERIFY(desktop->press({"space"}));
    QVERIFY(!client->next(".*Progress: .*").isEmpty());
    QVERIFY(Poll::until([this] { return requests(MobilePath, "sendreport").size() == 1; }, 60000));
    QVERIFY(!desktop->shot(HelpWindow, "tst_EndToEndClientDiagnostics-report-sent").isNull());

    const QList<StandInRequest> sent = requests(MobilePath, "sendreport");
    QCOMPARE(sent.size(), 1);
    const StandInRequest& request = sent.first();
    QCOMPARE(request.formField("name"), QStringLiteral("Alice Tester"));
    QCOMPARE(request.formField("request_email"), Email);
    QVERIFY2(request.body.contains("request_email=alice%2Bdiag"), request.body.left(2000).constData());
    QCOMPARE(request.formField("user_subject"), QStringLiteral("Connectivity report"));
    QCOMPARE(request.formField("user_text"), QStringLiteral("No VPN in the hotel."));
    const QString serial = request.formField("serial");
    QVERIFY(!serial.isEmpty());
    const QString report = request.formField("request_text");
    QVERIFY2(report.contains("\nServer IP: " + BlockedHost), qPrintable(report.right(4000)));
    QVERIFY2(report.contains(QStringLiteral("\nServer: %1Ping: PASSED").arg("server0", -40)), qPrintable(report.right(4000)));
    QVERIFY2(report.contains(QStringLiteral("\nServer: %1Ping: FAILED").arg("server1", -40)), qPrintable(report.right(4000)));
    // The serial goes in its own field only.
    for (const QString& secret : {TestBed::Password, AccountPassword, serial})
        QVERIFY2(!report.contains(secret), qPrintable(secret));
    for (const QString& secret : {TestBed::Password, AccountPassword})
        QVERIFY2(!request.body.contains(QUrl::toPercentEncoding(secret)) && !request.body.contains(secret.toUtf8()),
                 qPrintable(secret));
}

// With the radio switched off the result says "Disabled" beside "Enable WiFi";
// the button reaches NetworkManager through the backend, and once the network
// is up the test runs again by itself and says "Enabled".
void tst_EndToEndClientDiagnostics::wifiSwitchedOnFromTheResults()
{
    BedNetworkManager networkManager(*bed);
    QVERIFY(networkManager.isReady());
    QVERIFY(bed->addWifiAdapter(WifiLink));

    serveAccount(Email, {TestBed::ServerHost, BlockedHost});
    signIn(Email, AccountPassword, "tst_EndToEndClientDiagnostics-wifi");
    if (QTest::currentTestFailed())
        return;
    runTestFromHelp("tst_EndToEndClientDiagnostics-wifi-01-progress");
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!resultsShowing(ResultRows, 1, "tst_EndToEndClientDiagnostics-wifi-02-disabled").isNull());

    // Enable WiFi, the first of the dialog's buttons.
    QVERIFY(desktop->typeInto(HelpWindow, QString(), {"Tab", "space"}));
    QVERIFY2(networkManager.heard(
                 "CALL Set /org/freedesktop/NetworkManager org.freedesktop.NetworkManager WirelessEnabled true"),
             qPrintable(networkManager.said().join('\n')));
    // The adapter's link comes up with its radio; the backend reports the
    // change, and the test, run again 2 s after the network is found up, reads
    // the adapter from that report.
    QVERIFY(bed->setLinkUp(WifiLink));
    QVERIFY(!client->next(".*CT connection state: ConnectionPhysicalState\\(0\\).*", 120000).isEmpty());
    QVERIFY(!resultsShowing(ResultRows + 1, 0, "tst_EndToEndClientDiagnostics-wifi-03-enabled").isNull());
    QVERIFY(networkManager.ends());
}

QTEST_GUILESS_MAIN(tst_EndToEndClientDiagnostics)

#include "tst_EndToEndClientDiagnostics.moc"
