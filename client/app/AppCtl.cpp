#include "AppCtl.h"

#include "AppUpdater.h"
#include "TrayIcon.h"
#include "Welcome.h"
#include "WelcomeCtlDesktopClient.h"

#include <About.h>
#include <Account.h>
#include <AccountCtl.h>
#include <Browser.h>
#include <ClientAuthData.h>
#include <ClientConfig.h>
#include <ConnectionChecker.h>
#include <ConnectivityTest.h>
#include <ErrorMessageCtl.h>
#include <ExternalUrl.h>
#include <HttpAccessCreator.h>
#include <I18n.h>
#include <LocationStatusUpdater.h>
#include <MainHelp.h>
#include <NetworkCtlClient.h>
#include <Ozm.h>
#include <OzmApplication.h>
#include <QOZMHamburgerMenuSignalHandler.h>
#include <Status.h>
#include <WarningSound.h>
#include <WifiNameProbe.h>
#include <Storage.h>
#include <Usage.h>
#include <VpnCtlClient.h>
#include <VpnServerList.h>
#include <WelcomeCtl.h>
#include <coBranding.h>

#include <QCoreApplication>
#include <QUrl>

namespace {

// The account flow is set going once per process, when the service's brand data is in place.
bool accountFlowStarted = false;

bool isLinkRunning()
{
    return Ozm::inst() && Ozm::inst()->serviceIsRunning();
}

} // namespace

AppCtl::AccountFlowFactory AppCtl::desktopAccountFlow()
{
    return [](QObject* parent) {
        auto* flow = new WelcomeCtlDesktopClient(parent);
        AccountFlow made;
        made.flow = flow;
        made.startBrandInfoCommand = [flow] { return flow->startBrandInfoCommand(); };
        made.postDeviceInfoData = [flow] { flow->postDeviceInfoData(); };
        return made;
    };
}

AppCtl::AppCtl(QObject* parent, const AccountFlowFactory& accountFlow)
    : QObject(parent)
    , m_trayIcon(new TrayIcon(this))
    , m_settings(new Settings)
    , m_status(new Status)
    , m_usage(new Usage)
    , m_browser(new Browser)
    , m_account(new Account)
    , m_help(new MainHelp)
    , m_about(new About)
    , m_errorCtl(new ErrorMessageCtl(this))
    , m_accountFlow(accountFlow(this))
    , m_welcomeCtl(m_accountFlow.flow)
    , m_welcome(Welcome::inst())
    , m_accountCtl(new AccountCtl(this))
    , m_updater(new AppUpdater)
    , m_locationUpdater(new LocationStatusUpdater(this))
    , m_connectivityTest(new ConnectivityTest(this))
    , m_authData(new ClientAuthData)
    , m_serverList(new VpnServerList)
    , m_location(new QString)
    , m_storage(new Storage)
    , m_menuRelay(QOZMHamburgerMenuSignalHandler::inst())
    , m_reactivation(new QTimer(this))
    , m_quitFallback(new QTimer(this))
{
    m_reactivation->setSingleShot(true);
    m_reactivation->setInterval(ReactivationDelayMs);
    connect(m_reactivation, &QTimer::timeout, this, [] {
        if (VpnCtlClient* vpn = VpnCtlClient::inst())
            vpn->activateByManualClick();
    });
    m_quitFallback->setSingleShot(true);
    m_quitFallback->setInterval(QuitDeactivationWaitMs);
    connect(m_quitFallback, &QTimer::timeout, this, [this] {
        qWarning("AppCtl: the VPN did not come down in time; quitting anyway");
        emit quit();
    });

    m_welcome->finishInitialOpening();
    m_welcomeCtl->setActivatePromptCallback(m_welcome, "isCanActivateIfJustConfigured");

    QSharedPointer<HttpAccess> access = HttpAccessCreator::serverApi(nullptr);
    VpnCtlClient::inst()->init(access, m_authData, m_serverList, m_location);
    m_account->init(m_authData);
    m_welcomeCtl->init(access, m_authData);
    m_welcome->init(m_authData);
    m_accountCtl->init(access, m_authData);
    m_updater->init(access, m_authData);
    m_locationUpdater->init(access, m_authData);
    m_connectivityTest->init(access, m_authData);
    m_usage->init(access, m_authData);
    m_settings->init(access, m_authData, m_serverList);
    m_help->init(m_authData);

    connectSignals();

    m_welcomeCtl->onLocalConnectionIsChanged();
    m_welcomeCtl->onCurrentNetworkChanged();
    VpnCtlClient::inst()->notifyCurrentActivationState();
    m_authData->initFromStorage(m_storage);
    QCoreApplication::processEvents();

    ClientConfig* const config = ClientConfig::instanceClient();
    if (!config->hasLoadOnStartup())
        config->setLoadOnStartup(true);
    config->setVersion(QLatin1String(Version));
    I18n::instance()->notifyApp();
}

// The windows that were made here go before the main window, which main
// deletes after the controller.
AppCtl::~AppCtl()
{
    m_trayIcon->hide();
    QCoreApplication::processEvents();
    delete m_settings;
    delete m_status;
    delete m_usage;
    delete m_browser;
    delete m_account;
    delete m_about;
    m_storage.reset();
    m_location.reset();
    m_serverList.reset();
    m_authData.reset();
    // The updater takes its offer window with it.
    delete m_updater.data();
    // The connectivity test docks its dialogs into the Help window's test tab.
    delete m_connectivityTest;
    delete m_help;
    m_menuRelay.reset();
}

void AppCtl::connectSignals()
{
    connectWelcome();
    connectHmbrgrMenus();
    connectTrayIcon();
    connectWelcomeCtl();
    connectVpnCtl();
    connectDialogs();
    connectOthers();
}

void AppCtl::connectWelcome()
{
    connect(m_welcome, &Welcome::deviceEntered, m_welcomeCtl, &WelcomeCtl::onWelcomeDevice);
    connect(m_welcome, &Welcome::emailEntered, m_welcomeCtl, &WelcomeCtl::onWelcomeEmail);
    connect(m_welcome, &Welcome::errorRetry, m_welcomeCtl, &WelcomeCtl::onWelcomeRetry);
    connect(m_welcome, &Welcome::forgotPassword, m_welcomeCtl, &WelcomeCtl::onWelcomeResetPassword);
    connect(m_welcome, &Welcome::openDeviceManagementPage, m_accountCtl, &AccountCtl::openDeviceManagementPage);
    connect(m_welcome, &Welcome::quickStartActivated, this, &AppCtl::openQuickStartGuide);
    connect(m_welcome, &Welcome::readyToActivateTriggered, m_welcomeCtl, &WelcomeCtl::activateIfMustByConfig);
    connect(m_welcome, &Welcome::cancelActivateTriggered, VpnCtlClient::inst(), &VpnCtlClient::cancelActivate);
    connect(m_welcome, &Welcome::welcomeClosed, m_status, &Status::onWelcomeClosed);
    connect(m_welcome, &Welcome::buy, this, &AppCtl::openByPage);
    connect(m_welcome, &Welcome::runTest, m_help, &MainHelp::displayAndRunConnectivityTest);
    connect(m_welcome, &Welcome::activateVpnMandatory, VpnCtlClient::inst(), &VpnCtlClient::activateByManualClick);
    connect(m_welcome, &Welcome::updateSubscription, m_accountCtl, &AccountCtl::updateSubscriptionSlot);
    connect(m_welcome, &Welcome::startConnectionDiagnostic, this, &AppCtl::startSingleConnectionDiagnostic);
    connect(m_welcome, &Welcome::disableStatusShowing, this, &AppCtl::disableStatusShowing);
    connect(m_welcome, &Welcome::enableStatusShowing, this, &AppCtl::enableStatusShowing);
    connect(m_welcome, &Welcome::startDeviceRegistrationSignal, m_welcomeCtl, &WelcomeCtl::showRegistration);
    connect(m_welcome, &Welcome::becomeVisible, m_welcomeCtl, &WelcomeCtl::allowHandleCommandErrors);
    connect(m_browser, &Browser::FirstGuidehown, this, &AppCtl::onGuideClosed);
    connect(m_welcome, &Welcome::cancelActivateTriggered, this, &AppCtl::cancelReactivation);
}

void AppCtl::connectHmbrgrMenus()
{
    QOZMHamburgerMenuSignalHandler* const relay = m_menuRelay.data();
    VpnCtlClient* const vpn = VpnCtlClient::inst();
    connect(vpn, &VpnCtlClient::activationStateChanged, relay,
            &QOZMHamburgerMenuSignalHandler::onHmbrgrMenuActStateChngd);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrAbout, m_about, &About::display);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrHelp, m_help, &MainHelp::display);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrAccount, m_account, &Account::display);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrSettings, m_settings, &Settings::display);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrUsage, m_usage, &Usage::display);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrStatus, m_status, &Status::displayByManualClick);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrActivate, vpn, &VpnCtlClient::activateByManualClick);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrDeactivate, vpn, &VpnCtlClient::deactivate);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrDeactivate, m_welcomeCtl,
            &WelcomeCtl::onDeactivateByManualClick);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrDeactivate, this, &AppCtl::disableStatusShowing);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrCancelActivate, vpn, &VpnCtlClient::cancelActivate);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrCancelActivate, this, &AppCtl::disableStatusShowing);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrQuit, this, &AppCtl::onQuit);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrDeactivate, this, &AppCtl::cancelReactivation);
    connect(relay, &QOZMHamburgerMenuSignalHandler::hmbrgrCancelActivate, this, &AppCtl::cancelReactivation);
}

void AppCtl::connectTrayIcon()
{
    VpnCtlClient* const vpn = VpnCtlClient::inst();
    connect(m_trayIcon, &TrayIcon::activate, vpn, &VpnCtlClient::activateByManualClick);
    connect(m_trayIcon, &TrayIcon::cancelActivate, vpn, &VpnCtlClient::cancelActivate);
    connect(m_trayIcon, &TrayIcon::cancelActivate, this, &AppCtl::disableStatusShowing);
    connect(m_trayIcon, &TrayIcon::deactivate, vpn, &VpnCtlClient::deactivate);
    connect(m_trayIcon, &TrayIcon::deactivate, m_welcomeCtl, &WelcomeCtl::onDeactivateByManualClick);
    connect(m_trayIcon, &TrayIcon::deactivate, this, &AppCtl::disableStatusShowing);
    connect(m_trayIcon, &TrayIcon::settings, m_settings, &Settings::display);
    connect(m_trayIcon, &TrayIcon::usage, m_usage, &Usage::display);
    connect(m_trayIcon, &TrayIcon::status, m_status, &Status::displayByManualClick);
    connect(m_trayIcon, &TrayIcon::account, m_account, &Account::display);
    connect(m_trayIcon, &TrayIcon::help, m_help, &MainHelp::display);
    connect(m_trayIcon, &TrayIcon::about, m_about, &About::display);
    connect(m_trayIcon, &TrayIcon::quit, this, &AppCtl::onQuit);
    connect(m_trayIcon, &TrayIcon::cancelActivate, this, &AppCtl::cancelReactivation);
    connect(m_trayIcon, &TrayIcon::deactivate, this, &AppCtl::cancelReactivation);
}

void AppCtl::connectWelcomeCtl()
{
    VpnCtlClient* const vpn = VpnCtlClient::inst();
    connect(m_welcomeCtl, &WelcomeCtl::errorOccured, m_welcome, &Welcome::localizeAndShowError);
    connect(m_welcomeCtl, &WelcomeCtl::networkReplyError, m_welcome, &Welcome::showNetworkReplyError);
    connect(m_welcomeCtl, &WelcomeCtl::connectionDiagnosticError, m_errorCtl,
            &ErrorMessageCtl::connectionDiagnosticError);
    connect(m_welcomeCtl, &WelcomeCtl::configuringNow, m_welcome, &Welcome::showConfiguring);
    connect(m_welcomeCtl, &WelcomeCtl::readyShowActivation, m_welcome, &Welcome::showActivation);
    connect(m_welcomeCtl, &WelcomeCtl::configured, this, &AppCtl::onConfigured);
    connect(m_welcomeCtl, &WelcomeCtl::disconnectedState, m_welcome, &Welcome::setDisconnectedState);
    connect(m_welcomeCtl, &WelcomeCtl::activateTriggered, vpn, &VpnCtlClient::activateByManualClick);
    connect(m_welcomeCtl, &WelcomeCtl::deactivateTriggered, vpn, &VpnCtlClient::deactivate);
    connect(m_welcomeCtl, &WelcomeCtl::autoActivateAllowTriggered, vpn, &VpnCtlClient::activate);
    connect(m_welcomeCtl, &WelcomeCtl::resetPassword, m_accountCtl, &AccountCtl::resetPassword);
    connect(m_welcomeCtl, &WelcomeCtl::needEmailPrompt, m_welcome, &Welcome::showEmailPrompt);
    connect(m_welcomeCtl, &WelcomeCtl::needDevicePrompt, m_welcome, &Welcome::showDevicePrompt);
    connect(m_welcomeCtl, &WelcomeCtl::needNewDevicePrompt, m_welcome, &Welcome::showNewDevicePrompt);
    connect(m_welcomeCtl, &WelcomeCtl::passwordChangedExternaly, m_welcome, &Welcome::showPasswordChangedExternally);
    connect(m_welcomeCtl, &WelcomeCtl::deviceLimitReachedFor, m_welcome, &Welcome::showManageDivicesForAccount);
    connect(m_welcomeCtl, &WelcomeCtl::subscriptionInactive, m_welcome, &Welcome::showSubscriptionInactive);
    connect(m_welcomeCtl, &WelcomeCtl::authenticationError, m_welcome, &Welcome::showAuthenticationError);
    connect(m_welcomeCtl, &WelcomeCtl::incorrectPassword, m_welcome, &Welcome::showIncorrectPassword);
}

void AppCtl::connectVpnCtl()
{
    VpnCtlClient* const vpn = VpnCtlClient::inst();
    connect(vpn, &VpnCtlClient::activationRequestedByLogic, m_welcomeCtl, &WelcomeCtl::requestActivationOnConfigured);
    connect(vpn, &VpnCtlClient::activationRequestedOnInternetRestored, m_welcomeCtl,
            &WelcomeCtl::configureAndActivateIfMustByConfig);
    connect(vpn, &VpnCtlClient::enableStatusShowing, this, &AppCtl::enableStatusShowing);
    connect(vpn, &VpnCtlClient::showStatusWindow, m_status, &Status::display);
    connect(vpn, &VpnCtlClient::authenticationFailed, m_welcomeCtl, &WelcomeCtl::onAuthenticationFailure);
    connect(vpn, &VpnCtlClient::activationFailed, this, &AppCtl::onServerFailedSoft);
    connect(vpn, &VpnCtlClient::forcedActivationFailed, m_errorCtl, &ErrorMessageCtl::serverFailed);
    connect(vpn, &VpnCtlClient::connectionToVpnProcessFailed, m_errorCtl, &ErrorMessageCtl::cantConnectToVpnProcess);
    connect(vpn, &VpnCtlClient::vpnConnectionEpicFail, m_errorCtl, &ErrorMessageCtl::vpnConnectionEpicFail);
    connect(vpn, &VpnCtlClient::cantEstablishConnection, this, &AppCtl::onCantEstablishConnectionSoft);
    connect(vpn, &VpnCtlClient::subscriptionInactive, m_welcome, &Welcome::showSubscriptionInactive);
    connect(vpn, &VpnCtlClient::deviceNotFound, m_welcomeCtl, &WelcomeCtl::showRegistration);
    connect(vpn, &VpnCtlClient::activationStateChanged, this, &AppCtl::onActivationStateChanged);
    connect(vpn, &VpnCtlClient::activationStateChanged, m_welcomeCtl, &WelcomeCtl::setActivationState);
    connect(vpn, &VpnCtlClient::activationStateChanged, m_welcome, &Welcome::setActivationState);
    connect(vpn, &VpnCtlClient::activationStateChanged, m_status, &Status::setActivationState);
    connect(vpn, &VpnCtlClient::activationStateChanged, m_trayIcon, &TrayIcon::onActivationState);
    connect(vpn, &VpnCtlClient::activationStateChanged, m_locationUpdater, &LocationStatusUpdater::setActivationState);
    connect(vpn, &VpnCtlClient::activatingServerChanged, this, &AppCtl::onVpnCtlActivatingServerChanged);
    connect(vpn, &VpnCtlClient::vpnStatisticsUpdated, m_usage, &Usage::setTraffic);
    connect(vpn, &VpnCtlClient::locationUpdatedFromSetupConnection, m_status, &Status::setLocation);
    connect(vpn, &VpnCtlClient::locationUpdatedFromSetupConnection, this, &AppCtl::setLocation);
    connect(vpn, &VpnCtlClient::serversUpdatedFromSetupConnection, m_serverList.data(), &VpnServerList::set);
}

void AppCtl::connectDialogs()
{
    VpnCtlClient* const vpn = VpnCtlClient::inst();
    connect(m_accountCtl, &AccountCtl::passwordResetFinished, m_welcome, &Welcome::showForgotPasswordMessage);
    connect(m_accountCtl, &AccountCtl::authenticationError, m_welcomeCtl, &WelcomeCtl::onAuthenticationFailure);
    connect(m_account, &Account::updateSubscription, m_accountCtl, &AccountCtl::updateSubscriptionSlot);
    connect(m_account, &Account::openAccountManagementPage, m_accountCtl, &AccountCtl::openAccountManagementPage);
    connect(m_account, &Account::openChangePasswordManagementPage, m_accountCtl,
            &AccountCtl::openChangePasswordManagementPage);
    connect(m_account, &Account::openDeviceManagementPage, m_accountCtl, &AccountCtl::openDeviceManagementPage);
    connect(m_account, &Account::showChangePasswd, m_accountCtl, &AccountCtl::showChangePassword);
    connect(m_account, &Account::buy, this, &AppCtl::openByPage);
    connect(m_status, &Status::activate, vpn, &VpnCtlClient::activateByManualClick);
    connect(m_status, &Status::cancelActivate, vpn, &VpnCtlClient::cancelActivate);
    connect(m_status, &Status::deactivate, vpn, &VpnCtlClient::deactivate);
    connect(m_status, &Status::deactivate, m_welcomeCtl, &WelcomeCtl::onDeactivateByManualClick);
    connect(m_status, &Status::disableStatusShowing, this, &AppCtl::disableStatusShowing);
    connect(m_status, &Status::enableStatusShowing, this, &AppCtl::enableStatusShowing);
    connect(m_settings, &Settings::settingsApplied, this, &AppCtl::onSettingsApplied);
    connect(m_settings, &Settings::servicesListUpdated, m_usage, &Usage::updateServicesList);
    connect(m_help, &MainHelp::connectivityTestActivated, this, &AppCtl::startConnectivityTest);
    connect(m_help, &MainHelp::cancelConnectivityTest, m_connectivityTest, &ConnectivityTest::cancelConnectivityTest);
    connect(m_help, &MainHelp::cancelGeneratingReport, m_connectivityTest, &ConnectivityTest::cancelGeneratingReport);
    connect(m_help, &MainHelp::quickStartActivated, this, &AppCtl::openQuickStartGuide);
    connect(m_help, &MainHelp::browse, m_browser, qOverload<OnlineContentTypes>(&Browser::display));
    connect(m_browser, &Browser::helpActivated, m_help, &MainHelp::display);
    connect(m_errorCtl, &ErrorMessageCtl::commonErrorOccured, m_welcome, &Welcome::handleCommonError);
    connect(m_errorCtl, &ErrorMessageCtl::updateErrorText, m_welcome, &Welcome::updateErrorText);
    connect(m_status, &Status::cancelActivate, this, &AppCtl::cancelReactivation);
    connect(m_status, &Status::deactivate, this, &AppCtl::cancelReactivation);
}

void AppCtl::connectOthers()
{
    coBranding* const brand = coBranding::inst();
    if (NetworkCtlClient* network = NetworkCtlClient::inst())
        connect(network, &NetworkCtlClient::currentNetworkChanged, m_welcomeCtl, &WelcomeCtl::onCurrentNetworkChanged);
    connect(m_locationUpdater, &LocationStatusUpdater::locationUpdated, m_status, &Status::setLocation);
    connect(m_locationUpdater, &LocationStatusUpdater::locationUpdated, this, &AppCtl::setLocation);
    connect(m_locationUpdater, &LocationStatusUpdater::serversUpdated, m_serverList.data(), &VpnServerList::set);
    connect(m_authData.data(), &ClientAuthData::subscriptionChanged, m_trayIcon, &TrayIcon::onSubscriptionChanged);
    connect(m_authData.data(), &ClientAuthData::subscriptionChanged, this, &AppCtl::setSubscription);
    connect(m_connectivityTest, &ConnectivityTest::purgeMainHelpTabLayout, m_help, &MainHelp::purgeMainHelpTabLayout);
    connect(brand, &coBranding::brandInfoDataIsLoaded, m_account, &Account::applyBrandInfo);
    connect(brand, &coBranding::brandInfoDataIsLoaded, m_accountCtl, &AccountCtl::applyBrandInfo);
    connect(brand, &coBranding::brandInfoDataIsLoaded, m_about, &About::applyBrandInfo);
    connect(brand, &coBranding::brandInfoDataIsLoaded, m_welcome, &Welcome::applyBrandInfo);
    connect(brand, &coBranding::brandInfoDataIsLoaded, m_usage, &Usage::applyBrandInfo);
    connect(brand, &coBranding::brandInfoDataIsLoaded, m_status, &Status::applyBrandInfo);
    connect(brand, &coBranding::brandInfoDataIsLoaded, m_help, &MainHelp::applyBrandInfo);
    connect(brand, &coBranding::brandInfoDataIsLoaded, m_settings, &Settings::applyBrandInfo);
    connect(brand, &coBranding::brandInfoDataIsLoaded, m_updater.data(), &AppUpdater::applyBrandInfo);
    connect(brand, &coBranding::brandInfoDataIsLoaded, m_browser, &Browser::applyBrandInfo);
    connect(brand, &coBranding::brandInfoDataIsLoaded, this, &AppCtl::OnBrandInfoDataIsLoaded);
    emit brand->brandInfoDataIsLoaded();
}

void AppCtl::start()
{
    if (m_accountFlow.startBrandInfoCommand)
        m_accountFlow.startBrandInfoCommand();
    if (m_authData->isEmailValid() && m_accountFlow.postDeviceInfoData)
        m_accountFlow.postDeviceInfoData();
    m_trayIcon->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        qInfo("AppCtl: the desktop shows no tray; the main window and a second start lead back to the client");
}

void AppCtl::OnBrandInfoDataIsLoaded()
{
    if (accountFlowStarted || coBranding::inst()->needUpdate())
        return;
    accountFlowStarted = true;
    m_welcomeCtl->start();
    if (m_updater)
        m_updater->start();
    m_locationUpdater->update();
    if (VpnCtlClient::inst())
        VpnCtlClient::updateVpnStatistics();
}

void AppCtl::activateAppFromDock()
{
    m_status->displayByManualClick();
}

void AppCtl::activateStatus()
{
    m_status->displayByManualClick();
}

void AppCtl::disableStatusShowing()
{
    VpnCtlClient* const vpn = VpnCtlClient::inst();
    if (!vpn)
        return;
    if (vpn->isActivated() || vpn->isActivating()) {
        qCritical("blinking: trying to disbale status swhowing when VPN is activating/activated");
        return;
    }
    OzmApplication::notBlinkVudevo_ = true;
    qDebug("blinking: welcome window showing is disabled");
}

void AppCtl::enableStatusShowing()
{
    OzmApplication::notBlinkVudevo_ = false;
    qDebug("blinking: welcome window showing is enabled");
}

void AppCtl::onConfigured()
{
    static bool servicesListRequested = false;
    if (Config::instance()->isFirstRun()) {
        m_browser->display(OnlineQuickStartGuidePopUp);
        ClientConfig::instanceClient()->clearFirstRun();
    }
    if (servicesListRequested)
        return;
    servicesListRequested = true;
    m_settings->updateServicesList();
}

void AppCtl::onActivationStateChanged(ActivationState)
{
    VpnCtlClient* const vpn = VpnCtlClient::inst();
    if (vpn->isActivated()) {
        m_settings->setSessionDone();
    } else if (vpn->isDeactivated()) {
        m_settings->updateServicesLocaly();
        if (m_quitting) {
            m_quitFallback->stop();
            emit quit();
        }
    }
}

void AppCtl::onQuit()
{
    m_quitting = true;
    cancelReactivation();
    // Started first: the deactivation waits for the backend's answers, and a
    // backend that stopped answering would hold a quit or a termination there
    // forever; quitting ends that wait too. A stuck backend or a reconnection
    // under way may also never report the deactivated state; the ordinary
    // teardown still takes the tunnel down.
    m_quitFallback->start();
    VpnCtlClient* const vpn = VpnCtlClient::inst();
    if (vpn && vpn->deactivate())
        return;
    m_quitFallback->stop();
    emit quit();
}

void AppCtl::onServiceUnexpectedCloseError()
{
    emit quit();
}

void AppCtl::onGuideClosed()
{
    m_welcomeCtl->activateIfMustByConfig();
}

void AppCtl::onServerFailedSoft(const QString& server)
{
    m_welcome->setFailedServer(server);
    if (!m_welcome->isVisible())
        m_errorCtl->serverFailed(server);
}

void AppCtl::onCantEstablishConnectionSoft()
{
    if (m_welcome->isVisible())
        m_welcome->showDisconnected();
    else
        m_errorCtl->cantEstablishConnection();
}

void AppCtl::onSettingsApplied(const Settings::ApplyResult& result)
{
    VpnCtlClient* const vpn = VpnCtlClient::inst();
    if (!vpn)
        return;
    if (vpn->isDeactivated()) {
        if (result.activateOptionChanged)
            m_welcomeCtl->ensureActivationStateAsByConfig();
        return;
    }
    if (m_serverList->allServers().isEmpty() || m_serverList->clusters().isEmpty())
        return;
    const QString running = vpn->getServer().host;
    const QString wanted =
        m_serverList->getClosestServerHost(Config::instance()->getCurrentCluster(), Config::instance()->getCurrentServer());
    if (running != wanted) {
        vpn->deactivate();
        m_reactivation->start();
    } else if (!result.noReconfig) {
        vpn->reactivate(int(result.delay));
    }
}

void AppCtl::cancelReactivation()
{
    m_reactivation->stop();
}

void AppCtl::onVpnCtlActivatingServerChanged(const VpnServer&, const QString& clusterName)
{
    m_welcome->setActivatingServer(clusterName);
    m_status->setActivatingServer(clusterName);
}

void AppCtl::startConnectivityTest()
{
    m_connectivityTest->setServers(m_serverList->allServers());
    m_connectivityTest->start(m_serverList->findByHost(Config::instance()->getCurrentServer()));
}

void AppCtl::startSingleConnectionDiagnostic()
{
    auto* const checker = new ConnectionChecker(this);
    connect(checker, &ConnectionChecker::finished, this,
            [this, checker](ConnectionPhysicalState state, bool httpLoginMayBeRequired) {
                checker->deleteLater();
                if (isLinkRunning() && state != Connected)
                    m_errorCtl->connectionDiagnosticError(state, httpLoginMayBeRequired, true);
            });
    checker->start();
}

void AppCtl::setSubscription(SubscriptionPointer subscription)
{
    const bool valid = subscription && subscription->isValid();
    if (!isLinkRunning())
        return;
    emit m_menuRelay->setAccountMenuEnabled(valid);
    if (valid && m_accountFlow.postDeviceInfoData)
        m_accountFlow.postDeviceInfoData();
}

void AppCtl::openByPage()
{
    const QString text = coBranding::inst()->buy_url->getStrData();
    if (text.isEmpty()) {
        qCritical("Buy page url is empty.");
        return;
    }
    // The address comes from the service: only a web page may leave the program.
    const QUrl url = QUrl::fromUserInput(text);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        qWarning() << "AppCtl: the buy page is not a web page and stays closed:" << text.left(200);
        return;
    }
    ozm::openExternalUrl(url);
}

void AppCtl::openQuickStartGuide()
{
    m_browser->display(OnlineQuickStartGuide);
}

void AppCtl::setLocation(const Location& location)
{
    if (location.ip.isNull() || location.description.isNull())
        return;
    *m_location = locationToText(location.ip, true);
}
