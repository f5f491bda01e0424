#include "AppCtl.h"
#include "ScriptedBrowserImpl.h"
#include "ScriptedNetwork.h"
#include "TrayIcon.h"
#include "UiFonts.h"
#include "UiResources.h"
#include "Welcome.h"

#include <ClientAuthData.h>
#include <ClientConfig.h>
#include <CommandBench.h>
#include <DesktopRecorder.h>
#include <FakeLoginItems.h>
#include <FakePowerPlatform.h>
#include <AppConstants.h>
#include <Folders.h>
#include <LinkProtocol.h>
#include <OzmCommunicator.h>
#include <OzmApplication.h>
#include <PowerNotifier.h>
#include <QOZMHamburgerMenuSignalHandler.h>
#include <SharedMetaTypes.h>
#include <SystemFunctions.h>
#include <VpnCtlClient.h>
#include <VpnServerList.h>
#include <WelcomeCtl.h>
#include <coBranding.h>

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <utility>

namespace {

const QStringList Wired{"0", "1", "1", "Wired connection", "", "0", "1", "0"};
const QString Berlin = QStringLiteral("de1.vpn.invalid");
const QString Paris = QStringLiteral("fr1.vpn.invalid");

// The account flow with its account data in reach of the test.
class ProbeFlow : public WelcomeCtl
{
public:
    using WelcomeCtl::WelcomeCtl;
    using WelcomeCtl::authData;
};

VpnServer server(const QString& name, const QString& host)
{
    VpnServer made;
    made.name = name;
    made.host = host;
    return made;
}

VpnCluster europe()
{
    VpnCluster cluster;
    cluster.name = QStringLiteral("Europe");
    cluster.servers = QStringList{"Berlin 1", "Paris 1"};
    return cluster;
}

// Every message of the run, for the controller's own log lines; the client's
// other parts log what this machine lacks (sound, the operator's web host).
QStringList logged;
QtMessageHandler previousHandler = nullptr;

void record(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    logged << text;
    previousHandler(type, context, text);
}

int countLogged(const QString& text)
{
    return logged.count(text);
}

} // namespace

// The controller among the client's real parts, with a scripted backend on the
// link and the service stand-in: what reaches the link, what the controller
// emits and logs.
class tst_AppCtl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void trayDeactivateReachesEachPeerOnce();
    void stateReachesControllerBeforeTray();
    void disableStatusShowing_data();
    void disableStatusShowing();
    void quit_data();
    void quit();
    void quitDuringAnotherWait();
    void quitWhileBackendHangs();
    void settingsApplied_data();
    void settingsApplied();
    void manualStopCancelsReconnection_data();
    void manualStopCancelsReconnection();
    void buyPage_data();
    void buyPage();
    void constructionStoresVersionAndLoginItem();

private:
    VpnCtlClient* vpn() const { return VpnCtlClient::inst(); }
    QStringList sent() const;
    int count(const QString& name) const { return sent().count(name); }
    QString bringUp();
    QString reach(const QString& state);
    bool backendState(const QString& state);

    std::unique_ptr<CommandBench> bench;
    FakeLoginItems loginItems;
    std::unique_ptr<ScriptedNetwork> network;
    std::unique_ptr<AppCtl> controller;
    ProbeFlow* flow = nullptr;
    // Whether the backend confirms a deactivation with the deactivated state.
    bool confirmDeactivation = true;
    // Requests of this name the backend leaves unanswered until answerHeld().
    QString withheld;
    QList<LinkMessage> held;
    void answerHeld(const QStringList& values);
};

void tst_AppCtl::initTestCase()
{
    registerSharedMetaTypes();
    initUiResources();
    UiFonts::installSubstitutes();
    // Instead of failing on every warning: here only the wiring's own count.
    previousHandler = qInstallMessageHandler(record);
    ScriptedBrowserImpl::install();
    PowerNotifier::usePlatform(std::make_unique<FakePowerPlatform>());
    setLoginItems(&loginItems);
    bench = std::make_unique<CommandBench>();
}

void tst_AppCtl::init()
{
    logged.clear();
    confirmDeactivation = true;
    withheld.clear();
    held.clear();
    OzmApplication::notBlinkVudevo_ = false;
    bench->service->reset();
    network = std::make_unique<ScriptedNetwork>();
    network->backend.onRequest([this](const LinkMessage& request) {
        if (request.name == withheld) {
            held << request;
            return;
        }
        if (request.name == LinkProtocol::Request::InitialActivationState) {
            network->backend.reply(request, {"2"});
            return;
        }
        // As the backend does: the stop is under way before the answer, done after it.
        const bool deactivate = request.name == LinkProtocol::Request::VpnDeactivate;
        if (deactivate)
            network->backend.sendEvent(LinkProtocol::Event::ActivationStateChanged, {"5"});
        network->backend.reply(request, {});
        if (deactivate && confirmDeactivation)
            // Bound to this case's backend, so that it never reaches the next case's.
            QTimer::singleShot(100, &network->backend, [backend = &network->backend] {
                backend->sendEvent(LinkProtocol::Event::ActivationStateChanged, {"2"});
            });
    });
    ClientConfig::instanceClient()->setActivateOption(Config::ActivateOnAnyConnection);
    QCOMPARE(network->start([] { VpnCtlClient::initInstance(nullptr); }), QString());
    QVERIFY(network->report(Wired));
    QFile address(network->folders.dataFolder() + "/licenseserver");
    QVERIFY(address.open(QIODevice::WriteOnly));
    address.write(bench->service->url().toUtf8());
    address.close();

    Welcome::inst();
    controller = std::make_unique<AppCtl>(nullptr, [this](QObject* parent) {
        AppCtl::AccountFlow made;
        made.flow = flow = new ProbeFlow(parent);
        return made;
    });
    CommandBench::fillAccount(*flow->authData());
    emit vpn()->serversUpdatedFromSetupConnection({server("Berlin 1", Berlin), server("Paris 1", Paris)}, {europe()});
}

void tst_AppCtl::cleanup()
{
    for (const QString& text : logged)
        QVERIFY2(!text.startsWith("QObject::") && !text.startsWith("QMetaObject::"), qPrintable(text));
    confirmDeactivation = true;
    controller.reset();
    delete Welcome::inst();
    VpnCtlClient::dropInstance();
    network.reset();
    Config::drop();
    QCOMPARE(bench->service->violations(), QStringList());
}

QStringList tst_AppCtl::sent() const
{
    QStringList names;
    for (const LinkMessage& request : network->backend.requests())
        names << request.name;
    return names;
}

bool tst_AppCtl::backendState(const QString& state)
{
    QSignalSpy changed(vpn(), &VpnCtlClient::activationStateChanged);
    network->backend.sendEvent(LinkProtocol::Event::ActivationStateChanged, {state});
    return changed.wait(5000);
}

QString tst_AppCtl::bringUp()
{
    if (!vpn()->activate())
        return QStringLiteral("activate() refused");
    if (!QTest::qWaitFor([this] { return sent().contains(LinkProtocol::Request::VpnActivate); }, 10000))
        return QStringLiteral("no OZM_VPN_ACTIVATE");
    return backendState("4") ? QString() : QStringLiteral("not Activated");
}

// Brings the session to the state, through an activation where it needs one.
QString tst_AppCtl::reach(const QString& state)
{
    if (state == "3" || state == "4" || state == "5") {
        const QString failure = bringUp();
        if (!failure.isEmpty() || state == "4")
            return failure;
    }
    return backendState(state) ? QString() : QStringLiteral("no state ") + state;
}

void tst_AppCtl::trayDeactivateReachesEachPeerOnce()
{
    QCOMPARE(bringUp(), QString());
    QVERIFY(flow->isShouldBeActivated());
    const int before = count(LinkProtocol::Request::VpnDeactivate);
    auto* tray = controller->findChild<TrayIcon*>();
    emit tray->deactivate();
    QCOMPARE(countLogged("blinking: welcome window showing is disabled"), 1);

    QCOMPARE(count(LinkProtocol::Request::VpnDeactivate), before + 1);
    QVERIFY(!flow->isShouldBeActivated());
    QVERIFY(OzmApplication::notBlinkVudevo_);
    QTRY_VERIFY(vpn()->isDeactivated());
    QTest::qWait(200);
    QCOMPARE(count(LinkProtocol::Request::VpnActivate), 1);
}

// The controller hears of a new state before the tray icon does: when the quit
// that waited for the deactivation goes out, the tray still shows the state before.
void tst_AppCtl::stateReachesControllerBeforeTray()
{
    QCOMPARE(bringUp(), QString());
    confirmDeactivation = false;
    auto* tray = controller->findChild<TrayIcon*>();
    QString toolTipAtQuit;
    connect(controller.get(), &AppCtl::quit, this, [&] { toolTipAtQuit = tray->toolTip(); });
    controller->onQuit();
    QTRY_VERIFY(vpn()->isDeactivating());
    QVERIFY(toolTipAtQuit.isEmpty());
    QVERIFY(backendState("2"));
    QVERIFY(toolTipAtQuit.contains(": Deactivating"));
    QVERIFY(tray->toolTip().contains(": Deactivated") || tray->toolTip().contains(": Secure"));
}

void tst_AppCtl::disableStatusShowing_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("disabled");
    QTest::newRow("secure") << "1" << true;
    QTest::newRow("deactivated") << "2" << true;
    QTest::newRow("activating") << "3" << false;
    QTest::newRow("activated") << "4" << false;
    QTest::newRow("deactivating") << "5" << true;
}

void tst_AppCtl::disableStatusShowing()
{
    QFETCH(QString, state);
    QFETCH(bool, disabled);
    QCOMPARE(reach(state), QString());
    logged.clear();
    controller->disableStatusShowing();
    QCOMPARE(OzmApplication::notBlinkVudevo_, disabled);
    QCOMPARE(countLogged("blinking: welcome window showing is disabled"), disabled ? 1 : 0);
    QCOMPARE(countLogged("blinking: trying to disbale status swhowing when VPN is activating/activated"),
             disabled ? 0 : 1);

    controller->enableStatusShowing();
    QVERIFY(!OzmApplication::notBlinkVudevo_);
    QCOMPARE(countLogged("blinking: welcome window showing is enabled"), 1);
}

void tst_AppCtl::quit_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("backendAnswers");
    QTest::addColumn<bool>("atOnce");
    QTest::addColumn<bool>("deactivates");
    QTest::newRow("deactivated: at once") << "2" << true << true << false;
    QTest::newRow("activated: after the deactivated state") << "4" << true << false << true;
    QTest::newRow("activated, backend silent: after the wait") << "4" << false << false << true;
}

void tst_AppCtl::quit()
{
    QFETCH(QString, state);
    QFETCH(bool, backendAnswers);
    QFETCH(bool, atOnce);
    QFETCH(bool, deactivates);
    QCOMPARE(reach(state), QString());
    confirmDeactivation = backendAnswers;
    QSignalSpy quit(controller.get(), &AppCtl::quit);

    QElapsedTimer waited;
    waited.start();
    controller->onQuit();
    QCOMPARE(quit.count(), atOnce ? 1 : 0);
    QCOMPARE(count(LinkProtocol::Request::VpnDeactivate), deactivates ? 1 : 0);
    if (!atOnce)
        QVERIFY(quit.wait(AppCtl::QuitDeactivationWaitMs + 20000));
    QCOMPARE(quit.count(), 1);
    QCOMPARE(countLogged("AppCtl: the VPN did not come down in time; quitting anyway"), backendAnswers ? 0 : 1);
    // The wait is a coarse timer, which may fire up to 5 % early.
    if (!backendAnswers)
        QVERIFY(waited.elapsed() >= AppCtl::QuitDeactivationWaitMs * 95 / 100);
    QTest::qWait(100);
    QCOMPARE(quit.count(), 1);
}

void tst_AppCtl::answerHeld(const QStringList& values)
{
    for (const LinkMessage& request : std::exchange(held, {}))
        network->backend.reply(request, values);
}

// A quit that comes while the client waits for another of the backend's answers,
// as a termination or a second start does: the deactivation is asked and
// answered on its own, the quit follows the deactivated state, and the earlier
// wait still ends with its own answer.
void tst_AppCtl::quitDuringAnotherWait()
{
    QCOMPARE(bringUp(), QString());
    withheld = LinkProtocol::Request::GetNextReconnectionServer;
    QSignalSpy quit(controller.get(), &AppCtl::quit);
    connect(controller.get(), &AppCtl::quit, this, [this] { answerHeld({"Paris 1"}); });
    // Should the quit never come, the wait still ends and the checks below fail.
    QTimer::singleShot(AppCtl::QuitDeactivationWaitMs + 20000, controller.get(), [this] { answerHeld({}); });
    QTimer::singleShot(0, controller.get(), &AppCtl::onQuit);

    OzmCommunicator waiting(LinkProtocol::Request::GetNextReconnectionServer);
    QVERIFY(waiting.request());
    QCOMPARE(waiting.answer(), QStringList{"Paris 1"});
    QCOMPARE(quit.count(), 1);
    QCOMPARE(count(LinkProtocol::Request::VpnDeactivate), 1);
    QVERIFY(vpn()->isDeactivated());
    QCOMPARE(countLogged("AppCtl: the VPN did not come down in time; quitting anyway"), 0);
}

// A backend that stopped answering holds the deactivation's own request: the
// quit still comes after the wait for the VPN, from inside that request's wait,
// which the application's end then ends (here the answer given on the quit).
void tst_AppCtl::quitWhileBackendHangs()
{
    QCOMPARE(bringUp(), QString());
    withheld = LinkProtocol::Request::VpnDeactivate;
    QSignalSpy quit(controller.get(), &AppCtl::quit);
    connect(controller.get(), &AppCtl::quit, this, [this] { answerHeld({}); });
    QTimer::singleShot(AppCtl::QuitDeactivationWaitMs + 20000, controller.get(), [this] { answerHeld({}); });

    QElapsedTimer waited;
    waited.start();
    controller->onQuit();
    // The deactivation that then goes on finds the VPN down and asks to quit
    // again, which the application takes as the same request.
    QVERIFY(!quit.isEmpty());
    QCOMPARE(held.size(), 0);
    QCOMPARE(countLogged("AppCtl: the VPN did not come down in time; quitting anyway"), 1);
    // The wait is a coarse timer, which may fire up to 5 % early.
    QVERIFY(waited.elapsed() >= AppCtl::QuitDeactivationWaitMs * 95 / 100);
}

void tst_AppCtl::settingsApplied_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("noReconfig");
    QTest::addColumn<QStringList>("expected");

    const QString deactivate = LinkProtocol::Request::VpnDeactivate;
    const QString reset = LinkProtocol::Request::ResetReconnectionLogic;
    const QString reactivate = LinkProtocol::Request::VpnReactivate;
    QTest::newRow("activated, another host: down now, up again by hand")
        << "4" << Paris << 1 << QStringList{deactivate, reset};
    QTest::newRow("activated, same host, reconfigure") << "4" << Berlin << 0 << QStringList{reactivate};
    QTest::newRow("activated, same host, nothing to do") << "4" << Berlin << 1 << QStringList{};
    QTest::newRow("deactivated, option unchanged") << "2" << Paris << 0 << QStringList{};
}

void tst_AppCtl::settingsApplied()
{
    QFETCH(QString, state);
    QFETCH(QString, chosen);
    QFETCH(int, noReconfig);
    QFETCH(QStringList, expected);
    QCOMPARE(reach(state), QString());
    Config::instance()->setCurrentCluster("Europe");
    Config::instance()->setCurrentServer(chosen);
    const int done = network->backend.requests().size();

    Settings::ApplyResult result;
    result.noReconfig = noReconfig;
    result.delay = noReconfig ? 0 : 2000;
    controller->onSettingsApplied(result);
    QTest::qWait(AppCtl::ReactivationDelayMs + 1500);

    QStringList seen;
    for (const QString& name : sent().mid(done))
        if (name == LinkProtocol::Request::VpnDeactivate || name == LinkProtocol::Request::ResetReconnectionLogic
            || name == LinkProtocol::Request::VpnReactivate)
            seen << name;
    QCOMPARE(seen, expected);
}

void tst_AppCtl::manualStopCancelsReconnection_data()
{
    QTest::addColumn<QString>("stop");
    QTest::newRow("tray deactivate") << "tray";
    QTest::newRow("menu deactivate") << "menu";
    QTest::newRow("quit") << "quit";
}

// A server change while up takes the VPN down and brings it up on the new
// host; a stop by the user in between keeps it down.
void tst_AppCtl::manualStopCancelsReconnection()
{
    QFETCH(QString, stop);
    QCOMPARE(bringUp(), QString());
    Config::instance()->setCurrentCluster("Europe");
    Config::instance()->setCurrentServer(Paris);
    controller->onSettingsApplied(Settings::ApplyResult());
    QTRY_VERIFY(vpn()->isDeactivated());

    if (stop == "tray")
        emit controller->findChild<TrayIcon*>()->deactivate();
    else if (stop == "menu")
        emit QOZMHamburgerMenuSignalHandler::inst()->hmbrgrDeactivate();
    else
        controller->onQuit();
    QTest::qWait(AppCtl::ReactivationDelayMs + 1500);
    QCOMPARE(count(LinkProtocol::Request::ResetReconnectionLogic), 0);
    QVERIFY(vpn()->isDeactivated());
}

void tst_AppCtl::buyPage_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened");
    QTest::newRow("https") << "https://shop.example.org/buy?plan=1" << true;
    QTest::newRow("http") << "http://shop.example.org/buy" << true;
    QTest::newRow("bare host becomes http") << "shop.example.org" << true;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("local path") << "/usr/bin/xterm" << false;
    QTest::newRow("custom scheme") << "ozm-evil://run" << false;
    QTest::newRow("mail") << "mailto:sales@example.org" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_AppCtl::buyPage()
{
    QFETCH(QString, address);
    QFETCH(bool, opened);
    DesktopRecorder desktop;
    coBranding::inst()->buy_url->setStrData(address, false);
    emit Welcome::inst()->buy();
    QCOMPARE(countLogged("Buy page url is empty."), address.isEmpty() ? 1 : 0);
    QCOMPARE(countLogged("AppCtl: the buy page is not a web page and stays closed: \"" + address + "\""),
             address.isEmpty() || opened ? 0 : 1);
    QCOMPARE(desktop.opened.size(), opened ? 1 : 0);
    if (opened)
        QCOMPARE(desktop.opened.first(), QUrl::fromUserInput(address));
}

void tst_AppCtl::constructionStoresVersionAndLoginItem()
{
    const QSettings settings(Folders::app_data_folder + "/" + gApplicationName + ".ini", QSettings::IniFormat);
    QCOMPARE(settings.value("Version").toString(), QString("4.7.5"));
    QVERIFY(loginItems.on);
    // A key already there, on or off, stays as it is.
    ClientConfig::instanceClient()->setLoadOnStartup(false);
    const int changes = loginItems.changes;
    controller.reset();
    controller = std::make_unique<AppCtl>();
    QCOMPARE(loginItems.changes, changes);
    QVERIFY(!loginItems.on);
}

int main(int argc, char** argv)
{
    if (!PrivateNamespaces::enter(ScriptedNetwork::namespaces()))
        return 1;
    QApplication app(argc, argv);
    tst_AppCtl test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_AppCtl.moc"
