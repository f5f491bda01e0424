#include "ClientBedTest.h"

#include "Poll.h"

#include <ApiTestKit.h>
#include <HttpCommand.h>

#include <QDir>
#include <QtTest>

ClientBedTest::ClientBedTest()
    : ServiceBedTest(TestBed::NameService::HostsFile, ServicePlace::ServerSide)
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
