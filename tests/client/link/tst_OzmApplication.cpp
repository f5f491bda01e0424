#include "LinkTestKit.h"

#include <ApiTestKit.h>
#include <Config.h>
#include <FakeBackendPeer.h>
#include <FakePowerPlatform.h>
#include <LinkProtocol.h>
#include <NetworkCtlClient.h>
#include <Ozm.h>
#include <OzmApplication.h>
#include <PowerNotifier.h>
#include <PrivateNamespaces.h>
#include <VpnCtlClient.h>

#include <QSignalSpy>
#include <QtTest>

namespace {
const QStringList Wired{"0", "1", "1", "Wired connection", "", "0", "1", "0"};
} // namespace

// The application object: a second start's message, and the backend link it
// starts with its clients.
class tst_OzmApplication : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void message_data();
    void message();
    void missingBackendCreatesNoClient();
    void lostBackendReachesNoView();

private:
    std::unique_ptr<MessageCapture> log;
};

void tst_OzmApplication::initTestCase()
{
    PowerNotifier::usePlatform(std::make_unique<FakePowerPlatform>());
}

void tst_OzmApplication::init()
{
    QVERIFY(PrivateNamespaces::renewNetwork());
    log = std::make_unique<MessageCapture>();
}

void tst_OzmApplication::cleanup()
{
    VpnCtlClient::dropInstance();
    NetworkCtlClient::dropInstance();
    Ozm::dropInstance();
    Config::drop();
    log.reset();
}

void tst_OzmApplication::message_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("reaction");

    const QStringList quit{"quitRequest"};
    const QStringList activate{"activateStatus"};
    QTest::newRow("quit") << "quit" << quit;
    QTest::newRow("QUIT") << "QUIT" << quit;
    QTest::newRow("Quit") << "Quit" << quit;
    QTest::newRow("longer than quit") << "quitx" << activate;
    QTest::newRow("empty, a plain second start") << "" << activate;
    QTest::newRow("other") << "status" << activate;
}

void tst_OzmApplication::message()
{
    QFETCH(QString, message);
    QFETCH(QStringList, reaction);

    auto* app = qobject_cast<OzmApplication*>(qApp);
    QObject context;
    QStringList seen;
    connect(app, &OzmApplication::quitRequest, &context, [&] { seen << "quitRequest"; });
    connect(app, &OzmApplication::activateStatus, &context, [&] { seen << "activateStatus"; });
    connect(app, &OzmApplication::activateAppFromDock, &context, [&] { seen << "activateAppFromDock"; });
    app->onApplicationMessage(message);
    QCOMPARE(seen, reaction);
}

void tst_OzmApplication::missingBackendCreatesNoClient()
{
    ClientFolders folders(QByteArray{});
    auto* app = qobject_cast<OzmApplication*>(qApp);
    QVERIFY(!app->initBackendService());
    QVERIFY(!NetworkCtlClient::inst());
    QVERIFY(!VpnCtlClient::inst());
    app->onQuitCleanUp();
}

// The link answers pending requests with nothing when it goes; neither client
// may pass that on as a state.
void tst_OzmApplication::lostBackendReachesNoView()
{
    ClientFolders folders;
    FakeBackendPeer backend;
    QVERIFY(backend.listen());
    // The backend goes while the session waits for the idle state it asks for
    // after a bare state event.
    backend.onRequest([&backend](const LinkMessage& request) {
        if (request.name == QLatin1String(LinkProtocol::Request::InitialActivationState))
            backend.closeControl();
    });
    auto* app = qobject_cast<OzmApplication*>(qApp);
    QVERIFY(app->initBackendService());
    QVERIFY(NetworkCtlClient::inst());
    VpnCtlClient* const vpn = VpnCtlClient::inst();
    QVERIFY(vpn);

    // Both clients hear the backend from the first message on.
    QSignalSpy changed(NetworkCtlClient::inst(), &NetworkCtlClient::localConnectionIsChanged);
    QSignalSpy state(vpn, &VpnCtlClient::activationStateChanged);
    backend.sendEvent(QLatin1String(LinkProtocol::Event::LocalConnectionIsChanged), Wired);
    backend.sendEvent(QLatin1String(LinkProtocol::Event::ActivationStateChanged), {"4"});
    QVERIFY(changed.wait(5000));
    QTRY_COMPARE(state.count(), 1);
    QCOMPARE(NetworkCtlClient::inst()->typeOfNetworkConnection(), QString("Wired connection"));
    QCOMPARE(vpn->state(), Activated);

    QSignalSpy closed(app, &OzmApplication::serviceUnexpectedlyClosed);
    backend.sendEvent(QLatin1String(LinkProtocol::Event::ActivationStateChanged), {});
    QVERIFY(closed.wait(5000));
    QVERIFY(log->messages().contains("OzmApplication: backend services unexpectedly closed!"));
    // The empty answers, queued behind the news of the loss, are taken in silence.
    QTRY_COMPARE(NetworkCtlClient::inst()->typeOfNetworkConnection(), QString("Unknown connection type"));
    QTRY_COMPARE(vpn->state(), Disconnected);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(state.count(), 1);

    app->onQuitCleanUp();
    QVERIFY(!NetworkCtlClient::inst());
    QVERIFY(!VpnCtlClient::inst());
}

int main(int argc, char** argv)
{
    if (!PrivateNamespaces::enter(PrivateNamespaces::Options().withOwnProcesses()))
        return 1;
    OzmApplication app(argc, argv);
    tst_OzmApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_OzmApplication.moc"
