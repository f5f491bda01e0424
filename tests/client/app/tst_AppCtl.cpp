#include "AppCtl.h"
#include "ScriptedBrowserImpl.h"
#include "ScriptedNetwork.h"
#include "ScriptedProbes.h"
#include "TrayIcon.h"
#include "UiFonts.h"
#include "UiResources.h"
#include "Welcome.h"

#include <About.h>
#include <Account.h>
#include <AppConstants.h>
#include <Browser.h>
#include <ClientAuthData.h>
#include <ClientConfig.h>
#include <CommandBench.h>
#include <ConnectivityTest.h>
#include <ConnectivityTestReportDlg.h>
#include <DesktopRecorder.h>
#include <FakeLoginItems.h>
#include <FakePowerPlatform.h>
#include <Folders.h>
#include <LinkProtocol.h>
#include <LocationStatusUpdater.h>
#include <MainHelp.h>
#include <MainHelpTab.h>
#include <OzmCommunicator.h>
#include <OzmApplication.h>
#include <PowerNotifier.h>
#include <QOZMHamburgerMenuSignalHandler.h>
#include <Settings.h>
#include <SharedMetaTypes.h>
#include <StandInService.h>
#include <Status.h>
#include <SystemFunctions.h>
#include <TechSupportSender.h>
#include <UpdateNotify.h>
#include <Usage.h>
#include <VpnCtlClient.h>
#include <VpnServerList.h>
#include <WelcomeCtl.h>
#include <coBranding.h>

#include <QApplication>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMutex>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QThread>

#include <functional>
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
// The link's and the sound's threads log too, hence the lock.
QMutex loggedLock;
QStringList logged;
QtMessageHandler previousHandler = nullptr;
// A case's look around at the moment the GUI thread logs a line.
std::function<void(const QString&)> onLogged;

void record(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    {
        const QMutexLocker locker(&loggedLock);
        logged << text;
    }
    if (onLogged && QThread::currentThread() == qApp->thread())
        onLogged(text);
    previousHandler(type, context, text);
}

QStringList loggedLines()
{
    const QMutexLocker locker(&loggedLock);
    return logged;
}

void clearLogged()
{
    const QMutexLocker locker(&loggedLock);
    logged.clear();
}

int countLogged(const QString& text)
{
    return loggedLines().count(text);
}

template <class Window>
Window* topLevel()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<Window*>(window))
            return found;
    return nullptr;
}

bool showsLogo(const QWidget* window, const QImage& logo)
{
    const auto* label = window ? window->findChild<QLabel*>("lbLogoImage") : nullptr;
    return label && label->pixmap(Qt::ReturnByValue).toImage().convertToFormat(logo.format()) == logo;
}

// The controller's windows, by class, that do not show the logo.
QStringList windowsWithoutLogo(const QImage& logo)
{
    const QList<QPair<QString, QWidget*>> windows{
        {"Welcome", Welcome::inst()},   {"Status", topLevel<Status>()},     {"Usage", topLevel<Usage>()},
        {"Account", topLevel<Account>()}, {"About", topLevel<About>()},     {"MainHelp", topLevel<MainHelp>()},
        {"Settings", topLevel<Settings>()}, {"Browser", topLevel<Browser>()}};
    QStringList missing;
    for (const auto& window : windows)
        if (!showsLogo(window.second, logo))
            missing << window.first;
    return missing;
}

QString valueOf(const QList<QPair<QString, QString>>& pairs, const QString& name)
{
    for (const auto& pair : pairs)
        if (pair.first == name)
            return pair.second;
    return QStringLiteral("(none)");
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

    void firstBrandDataStartsTheClient();
    void trayDeactivateReachesEachPeerOnce();
    void stateReachesControllerFirstAndLocationUpdaterLast();
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
    void withoutSessionControl();
    void locationText_data();
    void locationText();
    void connectivityTestFromHelpWindow();
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
    QList<StandInRequest> serviceRequests(const QString& act) const;

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
    // A case's look around at the moment a request reaches the backend.
    std::function<void(const LinkMessage&)> onBackendRequest;
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
    clearLogged();
    confirmDeactivation = true;
    withheld.clear();
    held.clear();
    OzmApplication::notBlinkVudevo_ = false;
    bench->service->reset();
    network = std::make_unique<ScriptedNetwork>();
    network->backend.onRequest([this](const LinkMessage& request) {
        if (onBackendRequest)
            onBackendRequest(request);
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
    for (const QString& text : loggedLines())
        QVERIFY2(!text.startsWith("QObject::") && !text.startsWith("QMetaObject::"), qPrintable(text));
    confirmDeactivation = true;
    onBackendRequest = nullptr;
    onLogged = nullptr;
    controller.reset();
    // The Help window's test tab is gone with the controller.
    hMainHelp = MainHelpTab();
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

QList<StandInRequest> tst_AppCtl::serviceRequests(const QString& act) const
{
    QList<StandInRequest> matching;
    for (const StandInRequest& request : bench->service->requests())
        if (request.act == act)
            matching << request;
    return matching;
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
    if (vpn()->state() == ActivationState(state.toInt()))
        return QString();
    if (state == "3" || state == "4" || state == "5") {
        const QString failure = bringUp();
        if (!failure.isEmpty() || state == "4")
            return failure;
    }
    return backendState(state) ? QString() : QStringLiteral("no state ") + state;
}

// The service's brand data starts the account flow and the update check once
// per process, when every window already shows it; later brand data reaches the
// update offer, which goes with the controller.
void tst_AppCtl::firstBrandDataStartsTheClient()
{
    QImage logo(37, 11, QImage::Format_ARGB32);
    logo.fill(QColor(0x41, 0xaf, 0x41));
    // The service's brand names no logo, so the windows take the built-in one: this.
    QVERIFY(coBranding::inst()->logo->setImgData(logo, true));
    QVERIFY(!windowsWithoutLogo(logo).isEmpty());
    QObject scope;
    int flowStarts = 0;
    QStringList unbrandedAtFlowStart{"the account flow did not start"};
    connect(flow, &WelcomeCtl::configuringNow, &scope, [&] {
        if (flowStarts++ == 0)
            unbrandedAtFlowStart = windowsWithoutLogo(logo);
    });

    QDomDocument reply;
    QVERIFY(reply.setContent(QByteArrayLiteral("<result><value><brand_name>Partner</brand_name></value></result>")));
    QVERIFY(coBranding::inst()->fillByServerResponse(reply.documentElement()));
    QCOMPARE(unbrandedAtFlowStart, QStringList());

    QTRY_VERIFY_WITH_TIMEOUT(topLevel<UpdateNotify>() && topLevel<UpdateNotify>()->isVisible(), 30000);
    const QPointer<UpdateNotify> offer = topLevel<UpdateNotify>();
    QVERIFY(!showsLogo(offer, logo));
    const int starts = flowStarts;
    emit coBranding::inst()->brandInfoDataIsLoaded();
    QVERIFY(showsLogo(offer, logo));
    QCOMPARE(flowStarts, starts);
    QCOMPARE(serviceRequests("update").size(), 1);

    controller.reset();
    QVERIFY(!offer);
}

void tst_AppCtl::trayDeactivateReachesEachPeerOnce()
{
    QCOMPARE(bringUp(), QString());
    QVERIFY(flow->isShouldBeActivated());
    const int before = count(LinkProtocol::Request::VpnDeactivate);
    // The link first, then the account flow, then the status showing.
    QStringList order;
    onBackendRequest = [&](const LinkMessage& request) {
        if (request.name == LinkProtocol::Request::VpnDeactivate)
            order << QString("link stop; manual flag %1; showing %2")
                         .arg(flow->isShouldBeActivated() ? "unset" : "set",
                              OzmApplication::notBlinkVudevo_ ? "disabled" : "enabled");
    };
    onLogged = [&](const QString& line) {
        if (line == "blinking: welcome window showing is disabled")
            order << QString("showing disabled; manual flag %1").arg(flow->isShouldBeActivated() ? "unset" : "set");
    };
    auto* tray = controller->findChild<TrayIcon*>();
    emit tray->deactivate();
    QCOMPARE(order, (QStringList{"link stop; manual flag unset; showing enabled", "showing disabled; manual flag set"}));
    QCOMPARE(countLogged("blinking: welcome window showing is disabled"), 1);

    QCOMPARE(count(LinkProtocol::Request::VpnDeactivate), before + 1);
    QVERIFY(!flow->isShouldBeActivated());
    QVERIFY(OzmApplication::notBlinkVudevo_);
    QTRY_VERIFY(vpn()->isDeactivated());
    QTest::qWait(200);
    QCOMPARE(count(LinkProtocol::Request::VpnActivate), 1);
}

// A new state reaches the controller before the other receivers and the
// location updater after them: when the quit that waited for the deactivation
// goes out, the tray and the status dialog still show the state before; when the
// location updater hears of it, both show the new one.
void tst_AppCtl::stateReachesControllerFirstAndLocationUpdaterLast()
{
    QCOMPARE(bringUp(), QString());
    confirmDeactivation = false;
    controller->onQuit();
    QTRY_VERIFY(vpn()->isDeactivating());

    const auto* tray = controller->findChild<TrayIcon*>();
    const auto* statusPage = topLevel<Status>()->findChild<QStackedWidget*>("swTop");
    QVERIFY(statusPage);
    const QString toolTipBefore = tray->toolTip();
    const int pageBefore = statusPage->currentIndex();
    QStringList seen;
    const auto look = [&](const QString& who) {
        seen << who + QString(": tray %1, status %2")
                          .arg(tray->toolTip() == toolTipBefore ? "before" : "after",
                               statusPage->currentIndex() == pageBefore ? "before" : "after");
    };
    QObject scope;
    connect(controller.get(), &AppCtl::quit, &scope, [&] { look("controller"); });
    // Its own answers from the service may come at any time; only the state counts here.
    connect(controller->findChild<LocationStatusUpdater*>(), &LocationStatusUpdater::locationUpdated, &scope, [&] {
        if (vpn()->isDeactivated())
            look("location updater");
    });
    QVERIFY(backendState("2"));
    QCOMPARE(seen, (QStringList{"controller: tray before, status before", "location updater: tray after, status after"}));
}

void tst_AppCtl::disableStatusShowing_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("disabled");
    QTest::newRow("disconnected") << "0" << true;
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
    clearLogged();
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
    QTest::newRow("disconnected: at once") << "0" << true << true << false;
    QTest::newRow("deactivated: at once") << "2" << true << true << false;
    QTest::newRow("activating: after the deactivated state") << "3" << true << false << true;
    QTest::newRow("activated: after the deactivated state") << "4" << true << false << true;
    QTest::newRow("activated, backend silent: after the wait") << "4" << false << false << true;
    // The stop is under way already: nothing more goes out, and no end of it comes.
    QTest::newRow("deactivating, backend silent: after the wait") << "5" << false << false << false;
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
    const QString activate = LinkProtocol::Request::VpnActivate;
    const QString reactivate = LinkProtocol::Request::VpnReactivate;
    QTest::newRow("activated, another host: down now, up again by hand")
        << "4" << Paris << 1 << QStringList{deactivate, reset, activate};
    QTest::newRow("activated, same host, reconfigure") << "4" << Berlin << 0 << QStringList{reactivate + " 2000"};
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
    const auto seen = [&] {
        QStringList names;
        for (const LinkMessage& request : network->backend.requests().mid(done))
            if (request.name == LinkProtocol::Request::VpnReactivate)
                names << request.name + " " + request.arguments.join(' ');
            else if (request.name == LinkProtocol::Request::VpnDeactivate
                     || request.name == LinkProtocol::Request::ResetReconnectionLogic
                     || request.name == LinkProtocol::Request::VpnActivate)
                names << request.name;
        return names;
    };
    QElapsedTimer clock;
    qint64 upAgainAfter = -1;
    onBackendRequest = [&](const LinkMessage& request) {
        if (request.name == LinkProtocol::Request::ResetReconnectionLogic && upAgainAfter < 0)
            upAgainAfter = clock.elapsed();
    };

    Settings::ApplyResult result;
    result.noReconfig = noReconfig;
    result.delay = noReconfig ? 0 : 2000;
    clock.start();
    controller->onSettingsApplied(result);
    QTest::qWait(AppCtl::ReactivationDelayMs + 1500);
    // The activation goes out once the service has answered.
    QTRY_COMPARE_WITH_TIMEOUT(seen(), expected, 15000);
    // A coarse timer may fire up to 5 % early.
    if (expected.contains(LinkProtocol::Request::ResetReconnectionLogic))
        QVERIFY2(upAgainAfter >= AppCtl::ReactivationDelayMs * 95 / 100, qPrintable(QString::number(upAgainAfter)));
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

// Past the backend clients' end, at quit, the slots still reachable from the
// tray and the windows act without the session control.
void tst_AppCtl::withoutSessionControl()
{
    VpnCtlClient::dropInstance();
    QSignalSpy quit(controller.get(), &AppCtl::quit);
    controller->disableStatusShowing();
    QVERIFY(!OzmApplication::notBlinkVudevo_);
    controller->onSettingsApplied(Settings::ApplyResult());
    QCOMPARE(quit.count(), 0);
    controller->onQuit();
    QCOMPARE(quit.count(), 1);
}

void tst_AppCtl::locationText_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<Location>("location");
    QTest::addColumn<QString>("clientIp");

    const QString berlin = QStringLiteral("<pre>198.51.100.7</pre>");
    const Location paris{"203.0.113.9", "Paris, France", "FR"};
    QTest::newRow("identifying keeps the last") << "updater" << Location::identifying() << berlin;
    QTest::newRow("no place keeps the last") << "updater" << Location{"203.0.113.9", QString(), "FR"} << berlin;
    QTest::newRow("no address keeps the last") << "updater" << Location{QString(), "Paris, France", "FR"} << berlin;
    QTest::newRow("empty texts are set: unknown") << "updater" << Location::unknown() << "Unknown";
    QTest::newRow("a location replaces it") << "updater" << paris << "<pre>203.0.113.9</pre>";
    QTest::newRow("from the connection set-up") << "setup" << paris << "<pre>203.0.113.9</pre>";
    QTest::newRow("identifying from the connection set-up") << "setup" << Location::identifying() << berlin;
}

// The location text, which the session control reports its errors with: after
// a known location, the row's.
void tst_AppCtl::locationText()
{
    QFETCH(QString, source);
    QFETCH(Location, location);
    QFETCH(QString, clientIp);
    auto* const updater = controller->findChild<LocationStatusUpdater*>();
    emit updater->locationUpdated(Location{"198.51.100.7", "Berlin, Germany", "DE"});

    if (source == "updater")
        emit updater->locationUpdated(location);
    else
        emit vpn()->locationUpdatedFromSetupConnection(location);
    vpn()->logVPNError("location probe");
    QTRY_COMPARE_WITH_TIMEOUT(serviceRequests("log_vpn_error").size(), 1, 15000);
    QCOMPARE(valueOf(serviceRequests("log_vpn_error").first().query, "clientip"), clientIp);
}

// The Help window's test runs on all servers with the current one, shows its
// results docked in the window, and the test's requests reach the window.
void tst_AppCtl::connectivityTestFromHelpWindow()
{
    const ScriptedProbes probes;
    Config::instance()->setCurrentCluster("Europe");
    Config::instance()->setCurrentServer(Paris);
    auto* const test = controller->findChild<ConnectivityTest*>();
    QStringList tested;
    QString current;
    QObject scope;
    connect(test->supportSender(), &TechSupportSender::connectivityTestCompleted, &scope,
            [&](SharedTestResults results, VpnServer server) {
                for (const ServerTestRecord& record : results->servers)
                    tested << record.ip;
                current = server.host;
            });
    emit Welcome::inst()->runTest();
    QTRY_VERIFY_WITH_TIMEOUT(!tested.isEmpty(), 30000);
    // The current server first, then all of the list.
    QCOMPARE(tested, (QStringList{Paris, Berlin, Paris}));
    QCOMPARE(current, Paris);
    auto* const help = topLevel<MainHelp>();
    QVERIFY(help->isVisible());
    QTRY_VERIFY(help->isAncestorOf(test->resultDialog()));

    auto* const tab = help->findChild<QLayout*>("resultPageLayout");
    QVERIFY(tab && tab->count() > 0);
    emit test->purgeMainHelpTabLayout();
    QCOMPARE(tab->count(), 0);

    QSignalSpy cancelTest(test, &ConnectivityTest::cancelConnectivityTest);
    QSignalSpy cancelReport(test, &ConnectivityTest::cancelGeneratingReport);
    emit help->cancelConnectivityTest();
    emit help->cancelGeneratingReport();
    QCOMPARE(cancelTest.count(), 1);
    QCOMPARE(cancelReport.count(), 1);
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
