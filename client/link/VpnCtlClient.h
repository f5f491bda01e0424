#pragma once

#include <ActivationState.h>
#include <HttpCommandCode.h>
#include <Location.h>
#include <Subscription.h>
#include <VpnAuthData.h>
#include <VpnCluster.h>
#include <VpnServer.h>

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QTimer>

class ClientAuthData;
class HttpAccess;
class ProfileCommand;
class SetupConnectionCommand;
class VerifyPasswordCommand;
class VpnServerList;

// The client's VPN session, one per process, on the application's thread. It owns
// the client's activation state, turns an activation request into the service's
// credentials and those into the backend requests that start, stop and restart
// the tunnel, follows the backend's events, keeps the traffic counters and tells
// the rest of the client about every change through its signals.
class VpnCtlClient : public QObject
{
    Q_OBJECT
public:
    // How long after start-up or a state change the change still counts as fresh.
    static constexpr qint64 JustChangedMs = 1500;
    // Waits of the session's own timers.
    static constexpr int ProfileCheckDelayMs = 3000;
    static constexpr int ServerListRetryMs = 1000;
    static constexpr int LogicRequestDelayMs = 1000;
    static constexpr int NextServerDelayMs = 1000;
    // How long dropInstance() waits for the deactivated state at quit.
    static constexpr int QuitDeactivationWaitMs = 2000;

    // The instance, made on the first call and registered for the backend's
    // events; the link must exist, and must not read events yet.
    static VpnCtlClient* initInstance(QObject* parent);
    static VpnCtlClient* inst();
    // Takes a session that is up down first, waiting a little for the backend to
    // say so, then deletes the instance.
    static void dropInstance();
    // The idle state the backend derives from the network; Disconnected when it
    // cannot tell.
    static ActivationState initialActivationState();
    static bool isDeactivatedState(ActivationState state);

    void init(QSharedPointer<HttpAccess>& access, QSharedPointer<ClientAuthData>& authData,
              QSharedPointer<VpnServerList>& servers, QSharedPointer<QString>& clientIp);

    ActivationState state() const { return m_state; }
    bool isDeactivated() const { return isDeactivatedState(m_state); }
    bool isActivated() const { return m_state == Activated; }
    bool isActivating() const { return m_state == Activating; }
    bool isDeactivating() const { return m_state == Deactivating; }
    bool isJustActivationStateChanged() const;
    VpnServer getServer() const;
    quint64 sessionTraffic() const { return m_sessionTraffic; }
    quint64 totalTraffic() const { return m_totalTraffic; }

signals:
    void activationRequestedByLogic();
    void activationRequestedOnInternetRestored();
    void activationFailed(QString host);
    void forcedActivationFailed(QString host);
    void vpnConnectionEpicFail();
    void authenticationFailed();
    void cantEstablishConnection();
    void deviceNotFound();
    void connectionToVpnProcessFailed();
    void subscriptionInactive(SubscriptionPointer subscription, HttpCommandCode::CommandCode additional_code,
                              QString additional_info);
    void activationStateChanged(ActivationState state);
    void enableStatusShowing();
    void showStatusWindow();
    void activatingServerChanged(VpnServer server, QString cluster);
    void vpnStatisticsUpdated(quint64 sessionTraffic, quint64 totalTraffic);
    void serversUpdatedFromSetupConnection(QList<VpnServer> vpnServers, QList<VpnCluster> vpnClusters);
    void locationUpdatedFromSetupConnection(Location location);

public slots:
    bool activate();
    bool activateByManualClick();
    // True when a deactivated state event is still to come from the backend.
    bool deactivate();
    void cancelActivate();
    static void updateVpnStatistics();
    void reactivate(int delay);
    void onSystemSleep();
    void onSystemWake();
    void onBackendServiceState(ActivationState state);
    void setState(ActivationState state);
    void onServersChanged();
    void startSetupConnection();
    void startVpn();
    void checkProfile(QString reason_to_check);
    void logVPNError(QString description);

    void SignalOnRequestActivation();
    void SignalOnRequestActivationOnInternetRestored();
    void SignalOnActivationFailed();
    void SignalOnForcedActivationFailed();
    void SignalOnVpnConnectionEpicFail();
    void SignalOnAuthenticationFailed();
    void SignalOnConnectionToVpnProcessFailed();
    void SignalOnVpnAuthFailed();
    void SignalOnActivationStateChanged();
    void SignalOnActivatingServerChanged();
    void SignalOnVpnStatisticsUpdated();
    void SignalOnRestoreSavedClusterAndServer();

    void notifyCurrentActivationState();
    void notifyActivationServerChanged();

private:
    explicit VpnCtlClient(QObject* parent);

    bool onActivate(bool manual);
    // Nothing more of an activation that is being checked, nor of one waiting
    // for a server list or a restart.
    void stopPendingActivation();
    void onSetupConnectionCompleted(bool ok);
    void onSetupConnectionFailed(int code, const QString& text);
    void vpnConfigInstanceNotReady();
    void onProfileCompleted(bool ok);
    void onVerifyPasswordCompleted(bool ok);
    void fallBackToIdle();
    void fallBackToIdleWhileActivating();
    // The session's bytes join the total, which is stored.
    void addSessionToTotal();
    // The values of the event; false (and nothing) when the link is not running.
    bool eventValues(const char* name, QStringList& values) const;
    // The host and the log part of an activation failure report.
    static QPair<QString, QString> splitErrorInfo(const QString& info);

    VpnAuthData m_auth;
    QSharedPointer<VpnServerList> m_servers;
    QSharedPointer<ClientAuthData> m_authData;
    QSharedPointer<HttpAccess> m_access;
    QSharedPointer<QString> m_clientIp;

    QPointer<SetupConnectionCommand> m_setupCommand;
    QPointer<ProfileCommand> m_profileCommand;
    QPointer<VerifyPasswordCommand> m_verifyCommand;

    ActivationState m_state = Disconnected;
    QElapsedTimer m_stateTimer;
    bool m_sleptWhileActive = false;
    quint64 m_sessionTraffic = 0;
    quint64 m_totalTraffic = 0;
    bool m_vpnStarted = false;
    // An activation between its checks and the Activating state: its requests
    // wait in nested loops, where a second activation must find it under way
    // and a deactivation must be able to call it off.
    bool m_starting = false;
    // Why the running profile check was asked for.
    QString m_profileReason;
    // Whether the retry for a server list repeats a user's activation.
    bool m_retryManual = false;

    QTimer m_profileCheckTimer;
    QTimer m_serverListRetryTimer;
    QTimer m_reactivateTimer;
    QTimer m_logicRequestTimer;
};
