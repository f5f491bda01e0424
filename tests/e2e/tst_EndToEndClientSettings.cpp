#include "BedServiceReplies.h"
#include "ClientBedTest.h"
#include "Poll.h"

#include <HttpCommand.h>

#include <QFile>
#include <QtTest>

namespace {

const char* const SetupPath = "/setup_connection";
const QString Email = QStringLiteral("alice@example.org");
const QString AccountPassword = QStringLiteral("Plain-Secret-7");
const QString SettingsWindow = QStringLiteral("Ozmira - Settings");
// Where the settings window shows its controls on the bed's display (with the
// Advanced tab open: the window fits itself to each tab).
const QPoint AdvancedTab(268, 78);
const QPoint LocationList(150, 253);
const QPoint ApplyButton(307, 362);

} // namespace

// The installed desktop client's settings on a test bed, changed by its user
// with the mouse and keyboard while the VPN is up. The service lists the bed's
// encrypted server twice, in two locations: under its address and under a host
// name of its own.
class tst_EndToEndClientSettings : public ClientBedTest
{
    Q_OBJECT
private slots:
    void otherLocationReconnectsOnItsHost();

private:
    // Opens the settings from the tray and applies the location second in the
    // list, the first location's next.
    void applySecondLocation();
    // The host the last request for VPN credentials asked for.
    QString hostAsked() const;
    // The remote of the openvpn running on the client side; empty without one.
    QString openvpnRemote() const;
};

QString tst_EndToEndClientSettings::hostAsked() const
{
    const QList<StandInRequest> asked = requests(SetupPath);
    if (asked.isEmpty())
        return QString();
    for (const auto& parameter : asked.last().query)
        if (parameter.first == "vpnhost")
            return parameter.second;
    return QString();
}

QString tst_EndToEndClientSettings::openvpnRemote() const
{
    const QList<int> running = bed->pids("openvpn");
    if (running.size() != 1)
        return QString();
    QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(running.first()));
    if (!commandLine.open(QIODevice::ReadOnly))
        return QString();
    const QList<QByteArray> arguments = commandLine.readAll().split('\0');
    const int remote = arguments.indexOf("--remote");
    return remote < 0 ? QString() : QString::fromUtf8(arguments.value(remote + 1));
}

void tst_EndToEndClientSettings::applySecondLocation()
{
    QVERIFY(desktop->openTrayMenu());
    QVERIFY(desktop->press({"Down", "Down", "Down", "Down", "Return"}));
    QVERIFY(desktop->windowShown(SettingsWindow, 30000));
    // The Advanced tab, then its location list: past "Choose closest
    // automatically" and the first location to the second.
    QVERIFY(desktop->clickInto(SettingsWindow, AdvancedTab));
    QVERIFY(desktop->clickInto(SettingsWindow, LocationList));
    QVERIFY(desktop->press({"Down", "Down", "Return"}));
    QVERIFY(!desktop->shot(SettingsWindow, "tst_EndToEndClientSettings-second-location").isNull());
    QVERIFY(desktop->clickInto(SettingsWindow, ApplyButton));
    QVERIFY(Poll::until([this] { return !desktop->windowShown(SettingsWindow, 0); }, 30000));
}

// A location whose server is another host takes the VPN down and, a moment
// later, up again on that host.
void tst_EndToEndClientSettings::otherLocationReconnectsOnItsHost()
{
    serveAccount(Email, {TestBed::ServerHost});
    // Two locations, and connections set up to whichever host the client asks for.
    service->reply(StandInReply("GET", HttpCommand::MobilePath)
                       .act("init")
                       .xml(BedServiceReplies::initClusters({{TestBed::ServerHost}, {TestBed::ServerAlias}})));
    service->reply(StandInReply("GET", SetupPath).xml(BedServiceReplies::setup("{vpnhost}")).fill({"vpnhost"}));
    signIn(Email, AccountPassword, "tst_EndToEndClientSettings");
    if (QTest::currentTestFailed())
        return;
    activate("tst_EndToEndClientSettings-encrypted");
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(hostAsked(), TestBed::ServerHost);
    QCOMPARE(openvpnRemote(), TestBed::ServerHost);

    applySecondLocation();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(client->turned("Deactivating"));
    QVERIFY(client->turned("(StateSecure|Deactivated)"));
    QVERIFY(client->turned("Activating"));
    QVERIFY(client->turned("Activated", 120000));
    QCOMPARE(hostAsked(), TestBed::ServerAlias);
    QVERIFY(Poll::until([this] { return openvpnRemote() == TestBed::ServerAlias; }, 30000));
    QVERIFY(Poll::until([this] { return bed->defaultRoute().contains(" dev tun"); }, 30000));
}

QTEST_GUILESS_MAIN(tst_EndToEndClientSettings)

#include "tst_EndToEndClientSettings.moc"
