#include "BedServiceReplies.h"
#include "ClientBedTest.h"
#include "Poll.h"

#include <ApiTestKit.h>
#include <FakeLogind.h>

#include <QFile>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {

const char* const MobilePath = "/mobile/licMobile";
const QString Email = QStringLiteral("alice@example.org");
const QString AccountPassword = QStringLiteral("Plain-Secret-7");
const QString UsageWindow = QStringLiteral("Ozmira - Usage");

} // namespace

// The installed desktop client on a test bed, as its user sees it: typed into
// with the keyboard, clicked in its tray, watched by its screens, its
// screenshots and the bed's routes and processes.
class tst_EndToEndClient : public ClientBedTest
{
    Q_OBJECT
private slots:
    void firstStartSignsInAndActivates();
    void trayDeactivateBringsRoutesBack();
    void quitWhileActivatedDeactivatesFirst_data();
    void quitWhileActivatedDeactivatesFirst();
    void clientEndsWithItsBackend();
    void secondStartShowsStatusOrQuits();
    void sleepAndWakeFollowTheActivateSetting_data();
    void sleepAndWakeFollowTheActivateSetting();

private:
    // The service knows the account, with no device until the client registers one.
    void serveAccount();
    // A first start of the client through e-mail and device prompts and the
    // first-run guide to its icon in the tray; the case has failed when it does
    // not get there.
    void signIn();
    // From idle through the tray's first entry (Activate) to Encrypted in the
    // status window, with the default route in the tunnel.
    // The tray's first entry (Deactivate while the VPN is up).
    void pressFirstTrayEntry();
    // Empty once openvpn is gone and the routes are routesBefore again, otherwise
    // what is left.
    QString bedChange(const QString& routesBefore);
    QString deviceIdSent() const;
};

void tst_EndToEndClient::serveAccount()
{
    ClientBedTest::serveAccount(Email, {TestBed::ServerHost});
}

QString tst_EndToEndClient::deviceIdSent() const
{
    for (const StandInRequest& request : requests(MobilePath, "profile"))
        for (const auto& parameter : request.query)
            if (parameter.first == "devid")
                return parameter.second;
    return QString();
}

void tst_EndToEndClient::signIn()
{
    serveAccount();
    client = startClient();
    QVERIFY(client->showed("ScreenConfiguring"));
    QVERIFY(desktop->windowShown(MainWindow, 60000));
    QVERIFY(!desktop->shot(MainWindow, "tst_EndToEndClient-01-configuring").isNull());
    QVERIFY(client->showed("ScreenEmailPrompt", 120000));
    QVERIFY(!desktop->shot(MainWindow, "tst_EndToEndClient-02-email").isNull());
    QVERIFY(desktop->typeInto(MainWindow, Email, {"Return"}));
    QVERIFY(client->showed("ScreenDevicePrompt"));

    // Once registered, the computer is the account's device under the id it sent.
    const QString deviceId = deviceIdSent();
    QVERIFY(!deviceId.isEmpty());
    service->reply(StandInReply("GET", MobilePath).act("profile").xml(BedServiceReplies::profile(Email, deviceId)));
    QVERIFY(!desktop->shot(MainWindow, "tst_EndToEndClient-03-device").isNull());
    QVERIFY(desktop->typeInto(MainWindow, AccountPassword, {"Return"}));
    QVERIFY(client->showed("ScreenConfigured"));
    // The first-run guide comes next; its Close, the third button, leaves the
    // client ready in the tray (on the bed's wired network it calls itself
    // secure, so no Ready screen stands in the way).
    QVERIFY(desktop->windowShown(FirstRunGuide, 60000));
    QVERIFY(!desktop->shot(FirstRunGuide, "tst_EndToEndClient-04-guide").isNull());
    QVERIFY(desktop->typeInto(FirstRunGuide, QString(), {"Tab", "Tab", "space"}));
    QVERIFY(Poll::until([this] { return !desktop->windowShown(FirstRunGuide, 0); }, 30000));
    QVERIFY(desktop->trayIconShown(30000));
}

void tst_EndToEndClient::pressFirstTrayEntry()
{
    QVERIFY(desktop->openTrayMenu());
    QVERIFY(desktop->press({"Down", "Return"}));
}

QString tst_EndToEndClient::bedChange(const QString& routesBefore)
{
    const auto back = [&] { return bed->pids("openvpn").isEmpty() && bed->routes() == routesBefore; };
    if (Poll::until(back, 30000))
        return QString();
    return QStringLiteral("openvpn processes: %1; routes:\n%2").arg(bed->pids("openvpn").size()).arg(bed->routes());
}

// A first start: the service's account is signed in on the keyboard, the
// computer registered, the start at login written; Activate brings the tunnel
// up, shown green, and the traffic through it is counted.
void tst_EndToEndClient::firstStartSignsInAndActivates()
{
    signIn();
    if (QTest::currentTestFailed())
        return;
    const QString autostart = home() + "/.config/autostart/Ozmira.desktop";
    QVERIFY(QFile::exists(autostart));
    QProcess validate;
    validate.setProcessChannelMode(QProcess::ForwardedChannels);
    validate.start("desktop-file-validate", {autostart});
    QVERIFY(validate.waitForFinished(20000));
    QCOMPARE(validate.exitCode(), 0);

    activate("tst_EndToEndClient-05-encrypted");
    if (QTest::currentTestFailed())
        return;
    // The usage window's figures follow a ping of large packets through the tunnel.
    QVERIFY(desktop->openTrayMenu());
    QVERIFY(desktop->press({"Down", "Down", "Down", "Return"}));
    QVERIFY(desktop->windowShown(UsageWindow, 30000));
    const QImage before = desktop->shot(UsageWindow, "tst_EndToEndClient-06-usage-before");
    QVERIFY(!before.isNull());
    QProcess ping;
    bed->start(ping, "ping", {"-q", "-c", "20", "-i", "0.2", "-s", "60000", TestBed::TunnelGateway});
    QVERIFY(ping.waitForFinished(60000));
    QCOMPARE(ping.exitCode(), 0);
    QVERIFY(Poll::until([&] { return desktop->shot(UsageWindow, "tst_EndToEndClient-07-usage-after") != before; },
                        30000));
}

// The tray's Deactivate takes the tunnel down: the backend is asked once, goes
// idle, and the routes are as before the activation.
void tst_EndToEndClient::trayDeactivateBringsRoutesBack()
{
    signIn();
    if (QTest::currentTestFailed())
        return;
    const QString routesBefore = bed->routes();
    activate("tst_EndToEndClient-deactivate-encrypted");
    if (QTest::currentTestFailed())
        return;
    const int activated = client->cursor;
    pressFirstTrayEntry();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(client->turned("Deactivating"));
    QCOMPARE(bedChange(routesBefore), QString());
    QVERIFY(client->turned("(StateSecure|Deactivated)"));
    // The session control logs each deactivation it sends to the backend.
    QCOMPARE(client->lines.mid(activated).filter(QRegularExpression("^deactivate$")).size(), 1);
}

void tst_EndToEndClient::quitWhileActivatedDeactivatesFirst_data()
{
    QTest::addColumn<bool>("bySignal");
    QTest::newRow("ozm quit") << false;
    QTest::newRow("SIGTERM") << true;
}

// Quitting while the VPN is up takes it down before the client ends with 0,
// and the bed is left as it was.
void tst_EndToEndClient::quitWhileActivatedDeactivatesFirst()
{
    QFETCH(bool, bySignal);
    signIn();
    if (QTest::currentTestFailed())
        return;
    const QString routesBefore = bed->routes();
    activate(QStringLiteral("tst_EndToEndClient-quit-encrypted-%1").arg(bySignal ? "signal" : "command"));
    if (QTest::currentTestFailed())
        return;
    if (bySignal) {
        QCOMPARE(bed->signalProcesses("ozm", SIGTERM), 1);
    } else {
        ClientSession quitter(*bed, home(), {"quit"});
        QCOMPARE(quitter.exitCode(), 0);
    }
    QCOMPARE(client->exitCode(), 0);
    QVERIFY2(client->seen(0, ".*Activation state change: Deactivating from Activated", 0), "quit without deactivating");
    QCOMPARE(bedChange(routesBefore), QString());
    QVERIFY(Poll::until([this] { return bed->pids("ozm_launch").isEmpty(); }, 30000));
}

// A backend killed outright leaves the client nothing to run: it ends, and
// does not crash.
void tst_EndToEndClient::clientEndsWithItsBackend()
{
    serveAccount();
    client = startClient();
    QVERIFY(client->showed("ScreenEmailPrompt", 120000));
    QCOMPARE(bed->signalProcesses("ozm_launch", SIGKILL), 1);
    QVERIFY(client->exitCode() >= 0);
}

// A plain second start shows the running client's status window and ends;
// a second start with "QUIT" is no quit mode, but the running client quits on it.
void tst_EndToEndClient::secondStartShowsStatusOrQuits()
{
    serveAccount();
    client = startClient();
    QVERIFY(client->showed("ScreenEmailPrompt", 120000));
    QVERIFY(!desktop->windowShown(StatusWindow, 0));
    ClientSession second(*bed, home());
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(desktop->windowShown(StatusWindow, 30000));
    QVERIFY(!desktop->shot(StatusWindow, "tst_EndToEndClient-second-start-status").isNull());

    ClientSession quitter(*bed, home(), {"QUIT"});
    QCOMPARE(quitter.exitCode(), 0);
    QCOMPARE(client->exitCode(), 0);
}

void tst_EndToEndClient::sleepAndWakeFollowTheActivateSetting_data()
{
    QTest::addColumn<int>("activateOption");
    QTest::addColumn<bool>("backAfterWake");
    QTest::newRow("any network") << 1 << true;
    // The default; the bed's wired network calls itself secure.
    QTest::newRow("unsecured networks only") << 0 << false;
}

// Before sleep the client takes the tunnel down and only then lets logind go
// on. While the computer sleeps its processes are frozen; the backend finishes
// the deactivation. After wake the client holds a new delay lock, has the
// backend wait for the Internet, signs in again when it is there, and the VPN
// comes back as the activate setting says: with "any network" it is up again,
// with the default it stays down on the bed's secure wired network.
void tst_EndToEndClient::sleepAndWakeFollowTheActivateSetting()
{
    QFETCH(int, activateOption);
    QFETCH(bool, backAfterWake);
    writeFile(dataFolder() + QStringLiteral("/Ozmira.ini"),
              QStringLiteral("[General]\nActivateOnInternet=%1\n").arg(activateOption).toUtf8());
    QVERIFY(bed->makeUserHome(home()));
    QProcess systemBus;
    QVERIFY(bed->startSystemBus(systemBus));
    FakeLogind logind(bed->systemBusAddress());
    QVERIFY(logind.isRunning());
    const QString routesBefore = bed->routes();
    signIn();
    if (QTest::currentTestFailed())
        return;
    if (backAfterWake) {
        // With "any network" the first-run guide's Close activates by itself.
        QVERIFY(client->turned("Activated", 120000));
        QVERIFY(Poll::until([this] { return bed->defaultRoute().contains(" dev tun"); }, 30000));
    } else {
        activate("tst_EndToEndClient-sleep-encrypted");
        if (QTest::currentTestFailed())
            return;
    }
    QVERIFY(Poll::until([&] { return !logind.inhibitCalls().isEmpty(); }, 30000));
    const int lock = logind.inhibitCalls().size() - 1;
    QCOMPARE(logind.inhibitCalls().at(lock).value(0), QStringLiteral("sleep"));
    QCOMPARE(logind.inhibitCalls().at(lock).value(3), QStringLiteral("delay"));
    QVERIFY(logind.isHeld(lock));

    QVERIFY(logind.prepareForSleep(true));
    QVERIFY(client->turned("Deactivating"));
    QVERIFY(Poll::until([&] { return !logind.isHeld(lock); }, 30000));
    QCOMPARE(bed->signalProcesses("ozm", SIGSTOP), 1);
    // With "any network" the client may ask for the tunnel again between letting
    // logind go and the test freezing it, where a real suspend follows at once.
    if (!backAfterWake)
        QCOMPARE(bedChange(routesBefore), QString());
    const int profilesAsleep = requests(MobilePath, "profile").size();
    QCOMPARE(bed->signalProcesses("ozm", SIGCONT), 1);
    QVERIFY(logind.prepareForSleep(false));

    QVERIFY(!client->next(".*VpnCtlClient: Waking up").isEmpty());
    const int woke = client->cursor;
    QVERIFY(Poll::until([&] { return logind.inhibitCalls().size() > lock + 1 && logind.isHeld(lock + 1); }, 30000));
    QVERIFY(Poll::until([&] { return requests(MobilePath, "profile").size() > profilesAsleep; }, 60000));
    if (backAfterWake) {
        QVERIFY(client->turned("Activated", 120000));
        QVERIFY(Poll::until([this] { return bed->defaultRoute().contains(" dev tun"); }, 30000));
    } else {
        QVERIFY(!client->next(".*WelcomeCtl::configurationFinished\\(\\) - activateIfMustByConfig\\(\\)").isEmpty());
        QCOMPARE(client->lines.mid(woke).filter(QRegularExpression("Activation state change: Activating")),
                 QStringList());
        QVERIFY(bed->pids("openvpn").isEmpty());
    }
    client.reset();
    systemBus.kill();
    systemBus.waitForFinished();
}

QTEST_GUILESS_MAIN(tst_EndToEndClient)

#include "tst_EndToEndClient.moc"
