#pragma once

#include <ActivationState.h>
#include <Location.h>
#include <Settings.h>
#include <Subscription.h>
#include <VpnServer.h>

#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QTimer>

#include <functional>

class About;
class Account;
class AccountCtl;
class AppUpdater;
class Browser;
class ClientAuthData;
class ConnectivityTest;
class ErrorMessageCtl;
class LocationStatusUpdater;
class MainHelp;
class QOZMHamburgerMenuSignalHandler;
class Status;
class Storage;
class TrayIcon;
class Usage;
class VpnServerList;
class Welcome;
class WelcomeCtl;

// The client's application controller: it makes the tray icon, the dialogs,
// the error catalogue, the account flow and the other controllers, shares the
// account data, the server list and the location text among them, wires all
// their signals in one place and reacts to what comes back. It draws nothing.
class AppCtl : public QObject
{
    Q_OBJECT
public:
    // The account flow as the controller drives it: the flow itself (a child of
    // the given parent) and its desktop duties, the brand-information request
    // and the device-information post.
    struct AccountFlow
    {
        WelcomeCtl* flow = nullptr;
        std::function<bool()> startBrandInfoCommand;
        std::function<void()> postDeviceInfoData;
    };
    using AccountFlowFactory = std::function<AccountFlow(QObject* parent)>;

    static constexpr const char* Version = "4.7.5";
    // How long a quit waits for the VPN to come down before it goes anyway.
    static constexpr int QuitDeactivationWaitMs = 10000;
    // How long after a server change the VPN comes up again on the new host.
    static constexpr int ReactivationDelayMs = 2000;

    explicit AppCtl(QObject* parent = nullptr, const AccountFlowFactory& accountFlow = desktopAccountFlow());
    ~AppCtl() override;

    static AccountFlowFactory desktopAccountFlow();

    void connectSignals();

signals:
    void quit();

public slots:
    void start();
    void OnBrandInfoDataIsLoaded();

    void activateAppFromDock();
    void activateStatus();
    void onQuit();
    void onServiceUnexpectedCloseError();
    void onConfigured();
    void onActivationStateChanged(ActivationState state);
    void onGuideClosed();
    void onServerFailedSoft(const QString& server);
    void onCantEstablishConnectionSoft();
    void onSettingsApplied(const Settings::ApplyResult& result);
    void onVpnCtlActivatingServerChanged(const VpnServer& server, const QString& clusterName);
    void startConnectivityTest();
    void startSingleConnectionDiagnostic();
    void disableStatusShowing();
    void enableStatusShowing();
    void setSubscription(SubscriptionPointer subscription);
    void openByPage();
    void openQuickStartGuide();
    void setLocation(const Location& location);

private slots:
    // A manual stop or a quit calls off a re-activation still waiting.
    void cancelReactivation();

private:
    void connectWelcome();
    void connectHmbrgrMenus();
    void connectTrayIcon();
    void connectWelcomeCtl();
    void connectVpnCtl();
    void connectDialogs();
    void connectOthers();

    TrayIcon* m_trayIcon;
    Settings* m_settings;
    Status* m_status;
    Usage* m_usage;
    Browser* m_browser;
    Account* m_account;
    MainHelp* m_help;
    About* m_about;
    ErrorMessageCtl* m_errorCtl;
    AccountFlow m_accountFlow;
    WelcomeCtl* m_welcomeCtl;
    Welcome* m_welcome;
    AccountCtl* m_accountCtl;
    // Guarded: the updater is no child of the controller.
    QPointer<AppUpdater> m_updater;
    LocationStatusUpdater* m_locationUpdater;
    ConnectivityTest* m_connectivityTest;
    QSharedPointer<ClientAuthData> m_authData;
    QSharedPointer<VpnServerList> m_serverList;
    QSharedPointer<QString> m_location;
    bool m_quitting = false;
    QSharedPointer<Storage> m_storage;
    // Held so that the wiring to the hamburger menus lasts as long as the controller.
    QSharedPointer<QOZMHamburgerMenuSignalHandler> m_menuRelay;

    // Children, so that neither fires into a controller that is gone.
    QTimer* m_reactivation;
    QTimer* m_quitFallback;
};
