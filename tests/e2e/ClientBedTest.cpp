#include "ClientBedTest.h"

#include "BedServiceReplies.h"
#include "Poll.h"

#include <ApiTestKit.h>
#include <HttpCommand.h>

#include <QDir>
#include <QtTest>

namespace {
const char* const MobilePath = "/mobile/licMobile";
} // namespace

const QString ClientBedTest::MainWindow = QStringLiteral("Ozmira - Welcome");
const QString ClientBedTest::FirstRunGuide = QStringLiteral("Ozmira - Quick Start Guide");
const QString ClientBedTest::StatusWindow = QStringLiteral("Ozmira - Status");

ClientBedTest::ClientBedTest(TestBed::NameService nameService)
    : ServiceBedTest(nameService, ServicePlace::ServerSide)
{
}

ClientBedTest::~ClientBedTest() = default;

QString ClientBedTest::home() const
{
    return bed->folder() + QStringLiteral("/home");
}

QString ClientBedTest::dataFolder() const
{
    return home() + QStringLiteral("/.local/share/Ozmira");
}

std::unique_ptr<ClientSession> ClientBedTest::startClient(const QStringList& arguments) const
{
    return std::make_unique<ClientSession>(*bed, home(), arguments);
}

void ClientBedTest::serveAccount(const QString& email, const QStringList& hosts)
{
    service->reply(StandInReply("GET", MobilePath).act("init").xml(BedServiceReplies::init(hosts)));
    service->reply(StandInReply("GET", "/setup_connection").xml(BedServiceReplies::setup(hosts.value(0))));
    service->reply(StandInReply("GET", MobilePath).act("profile").xml(BedServiceReplies::profile(email)).times(1));
}

void ClientBedTest::signIn(const QString& email, const QString& password, const QString& shotPrefix)
{
    client = startClient();
    QVERIFY(client->showed("ScreenEmailPrompt", 120000));
    QVERIFY(desktop->windowShown(MainWindow, 60000));
    QVERIFY(desktop->typeInto(MainWindow, email, {"Return"}));
    QVERIFY(client->showed("ScreenDevicePrompt"));
    // Once registered, the computer is the account's device under the id it sent.
    QString deviceId;
    for (const StandInRequest& request : requests(MobilePath, "profile"))
        for (const auto& parameter : request.query)
            if (parameter.first == "devid")
                deviceId = parameter.second;
    QVERIFY(!deviceId.isEmpty());
    service->reply(StandInReply("GET", MobilePath).act("profile").xml(BedServiceReplies::profile(email, deviceId)));
    QVERIFY(!desktop->shot(MainWindow, shotPrefix + "-device").isNull());
    QVERIFY(desktop->typeInto(MainWindow, password, {"Return"}));
    QVERIFY(client->showed("ScreenConfigured"));
    // The guide's Close, its third button, leaves the client in the tray.
    QVERIFY(desktop->windowShown(FirstRunGuide, 60000));
    QVERIFY(desktop->typeInto(FirstRunGuide, QString(), {"Tab", "Tab", "space"}));
    QVERIFY(Poll::until([&] { return !desktop->windowShown(FirstRunGuide, 0); }, 30000));
    QVERIFY(desktop->trayIconShown(30000));
}

void ClientBedTest::activate(const QString& shotName)
{
    // The status window's panel while the VPN is up.
    constexpr QRgb encryptedGreen = 0x0EA34B;
    QVERIFY(desktop->openTrayMenu());
    QVERIFY(desktop->press({"Down", "Return"}));
    QVERIFY(client->turned("Activating"));
    QVERIFY(client->turned("Activated", 120000));
    QVERIFY(Poll::until([this] { return bed->defaultRoute().contains(" dev tun"); }, 30000));
    QVERIFY(desktop->windowShown(StatusWindow, 30000));
    const QImage encrypted = desktop->shot(StatusWindow, shotName);
    QVERIFY(!encrypted.isNull());
    QVERIFY2(BedDesktop::pixelsOf(encrypted, encryptedGreen) > 2000, "no green Encrypted panel");
}

void ClientBedTest::initTestCase()
{
    setUpBed();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(bed->installClient(), QString());
}

void ClientBedTest::cleanupTestCase()
{
    client.reset();
    desktop.reset();
    tearDownBed();
}

void ClientBedTest::init()
{
    // A fresh tray for each client: one that has lost its icon does not take
    // the next one in.
    desktop = std::make_unique<BedDesktop>();
    QVERIFY2(desktop->isRunning(), "no tray on the display");
    writeFile(dataFolder() + QStringLiteral("/licenseserver"),
              contentOf(service->dataFolder() + QStringLiteral("/licenseserver")));
    QVERIFY(bed->makeUserHome(home()));
    // An update offer would put its window over the one a case drives.
    service->reply(StandInReply("GET", HttpCommand::MobilePath).act("update").xml("<result><status>success</status></result>"));
}

void ClientBedTest::cleanup()
{
    if (QTest::currentTestFailed() && desktop) {
        const QString name = QStringLiteral("%1-%2-failed").arg(metaObject()->className(), QTest::currentTestFunction());
        desktop->shot(QString(), name);
        qWarning().noquote() << "screen at the failure:" << name + QStringLiteral(".png");
    }
    if (client) {
        const QString said = client->transcript();
        client.reset();
        if (QTest::currentTestFailed())
            qWarning().noquote() << "client:\n" << said;
    }
    desktop.reset();
    // The backend ends with its client's session.
    QVERIFY(Poll::until([this] { return bed->pids(QStringLiteral("ozm_launch")).isEmpty(); }, 30000));
    checkCaseEnd();
    QDir(home()).removeRecursively();
}
