#pragma once

#include "VpnAuthData.h"
#include "VpnMgmt.h"
#include "VpnMonitor.h"
#include "VpnServerListBackend.h"

#include <ActivationState.h>
#include <VpnAuthFailedClientAnswer.h>
#include <VpnCluster.h>
#include <VpnServer.h>

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class RoutingTableWatchThread;

// The backend's VPN activation state machine: runs openvpn for the client's
// credentials, follows its management interface and process, picks the next server
// after failures and repairs a broken routing table. Main thread only.
class VpnCtl : public QObject
{
    Q_OBJECT
public:
    explicit VpnCtl(QObject* parent);
    ~VpnCtl() override;

    // The session is over: from now on nothing that is still pending (a stray
    // process being stopped, a start in its waits, a timer) starts anything new.
    void shutdown();

    // Disconnected without an enabled connection, else StateSecure or Deactivated by
    // the connection's security; computed afresh on every call.
    ActivationState initialActivationState() const;

    void activate(const VpnAuthData& auth);
    void activateOnInternetExisted();
    void reactivate(unsigned long long delayMs);
    void resetFailedServerList();
    VpnServer getNextReconnectionServer(const VpnServer& current);
    void onVpnAuthFailedAnswer(VpnAuthFailedClientAnswer answer);
    void setServersList(const QList<VpnServer>& servers, const QList<VpnCluster>& clusters);
    void setCurrentCluster(const QString& cluster);

    bool isDeactivated() const;
    static bool isDeactivatedState(ActivationState activationState);
    bool isActivating() const;
    bool isActivated() const;
    bool isDeactivating() const;

    // Multiplies every timer of the state machine (statistics, DHCP waits,
    // reactivation delays); 1.0 in the program, smaller in tests.
    static void setTimeScaleForTests(double scale);

signals:
    void requestActivation();
    void requestActivationBecauseInternetRestored();
    void activationFailed(const QString& host);
    void forcedActivationFailed(const QString& host);
    void vpnConnectionEpicFail();
    void authenticationFailed();
    void connectionToVpnProcessFailed();
    void vpnAuthFailed();
    void activationStateChanged(ActivationState state);
    void activatingServerChanged(const QString& server);
    void vpnStatisticsUpdated(quint64 read_bytes, quint64 write_bytes);
    void restoreSavedClusterAndServer();

public slots:
    void deactivate();
    void updateVpnStatistics();
    void notifyAboutServerChange();
    void startVpn();
    void onVpnState(VpnState state);
    void onVpnStopped();
    void onVpnStarted();
    void onConnectionToVpnProcessFailed();
    void onLocalConnectionChanged();
    void emitRequestActivation();
    void onStartVpnFinish(bool success);
    void onKillAllreadyRunningOpenVpnProcessFinish(bool success);
    void onTunelUp(const QString& expectedRouteGateway);
    void onTunelDown();
    void onVpnUnexpectedShutdown(bool allow_emit_error = true);
    void startWaitingOfDhcpRefreshing();
    void dhcpRefreshingOnRouteChanged();
    void onDhcpRefreshed();
    void onDhcpNotRefreshed();

private:
    void connectSignals();
    void setState(ActivationState newState);
    bool reactivateIfNecessary();
    void killAllreadyRunningOpenVpnProcess();
    QString createErrorInfo(const QString& host) const;
    bool setOtherCloserVpnInstance();
    void dropDhcpRouteWatcher();

    VpnMonitor monitor;
    VpnMgmt mgmt;
    VpnAuthData authData;
    VpnServerListBackend serverList;
    QString currentCluster;
    QStringList failedHosts;
    QTimer statisticsTimer;
    ActivationState state;
    bool vpnProcessStarted = false;
    // From the start of a launch until it is known whether the new openvpn runs,
    // including the stop of a stray one found in its way.
    bool launching = false;
    bool closing = false;
    bool authFailedAnswerPending = false;
    unsigned long long reactivationDelay = 0;
    bool wasConnected = false;
    bool recoverDnsOnActivated = false;
    QTimer dhcpRefreshedTimer;
    QTimer dhcpNotRefreshedTimer;
    RoutingTableWatchThread* dhcpRouteWatcher = nullptr;
    bool routeChangedDuringDhcpWait = false;
};
