#include "VpnCtl.h"

#include "DataFile.h"
#include "LinkProtocol.h"
#include "NetworkCtl.h"
#include "NetworkNotifier.h"
#include "RoutingTable.h"
#include "RoutingTableWatchThread.h"
#include "VpnProcessKiller.h"
#include "openvpn_manager.h"
#include "paths.h"

#include <QCoreApplication>
#include <QDebug>
#include <QPointer>

#include <climits>

namespace {

const unsigned long long statisticsIntervalMs = 2000;
const unsigned long long dhcpRefreshWaitMs = 60000;
const unsigned long long dhcpSettleMs = 5000;
const unsigned long long nextServerDelayMs = 1000;
const unsigned long long exitStopWaitMs = 3000;

double timeScale = 1.0;

// A QTimer holds an int: anything longer waits as long as a timer can.
int timerMs(unsigned long long ms)
{
    const double scaled = double(ms) * timeScale;
    return scaled >= double(INT_MAX) ? INT_MAX : int(scaled);
}

// Stops an openvpn nobody wants; the killer lives no longer than its owner.
void startProcessKiller(QObject* owner)
{
    auto* killer = new VpnProcessKiller(true, owner);
    killer->killOpenVpnProcess(QLatin1String(openvpn_manager::ovpnManagementAddr), openvpn_manager::ovpnManagementPort);
}

} // namespace

VpnCtl::VpnCtl(QObject* parent)
    : QObject(parent)
    , state(initialActivationState())
{
    statisticsTimer.setInterval(timerMs(statisticsIntervalMs));
    dhcpRefreshedTimer.setSingleShot(true);
    dhcpNotRefreshedTimer.setSingleShot(true);
    monitor.start();
    connectSignals();
}

VpnCtl::~VpnCtl()
{
    // Stop attempts still at work end first, each stopping its openvpn by its pid,
    // before anything below runs an event loop in which they would carry on.
    qDeleteAll(findChildren<VpnProcessKiller*>(QString(), Qt::FindDirectChildrenOnly));
    const bool tunnelOfOurs = isActivating() || isActivated();
    deactivate();
    // The monitor joins its thread in a local event loop after the other members are
    // gone; nothing may call back into this object by then.
    monitor.disconnect(this);
    mgmt.disconnect(this);
    NetworkNotifier::instance()->disconnect(this);
    dropDhcpRouteWatcher();
    // openvpn runs detached and would outlive the backend, which quits right after
    // this: the stop command must reach openvpn before the connection is torn down
    // (a reset can swallow it), and an openvpn that never got it - its management
    // connection not up yet - is stopped by its pid.
    if (tunnelOfOurs && !mgmt.waitForProcessToClose(timerMs(exitStopWaitMs)))
        openvpn_manager::terminate();
}

void VpnCtl::shutdown()
{
    closing = true;
    statisticsTimer.stop();
    dhcpRefreshedTimer.stop();
    dhcpNotRefreshedTimer.stop();
    reactivationDelay = 0;
}

void VpnCtl::setTimeScaleForTests(double scale)
{
    timeScale = scale;
}

void VpnCtl::connectSignals()
{
    connect(&mgmt, &VpnMgmt::vpnStatisticsReceived, this, [this](VpnStatistic stats) {
        emit vpnStatisticsUpdated(stats.readBytes, stats.writeBytes);
    });
    connect(&monitor, &VpnMonitor::vpnStopped, this, &VpnCtl::onVpnStopped);
    connect(&monitor, &VpnMonitor::vpnStarted, this, &VpnCtl::onVpnStarted);
    connect(&mgmt, &VpnMgmt::vpnState, this, &VpnCtl::onVpnState);
    connect(&mgmt, &VpnMgmt::connectionToVpnProcessFailed, this, &VpnCtl::onConnectionToVpnProcessFailed);
    connect(&mgmt, &VpnMgmt::vpnUnexpectedShutDown, this, [this] { onVpnUnexpectedShutdown(true); });
    connect(&mgmt, &VpnMgmt::tunnelUp, this, &VpnCtl::onTunelUp);
    connect(&mgmt, &VpnMgmt::tunnelDown, this, &VpnCtl::onTunelDown);
    connect(&statisticsTimer, &QTimer::timeout, this, &VpnCtl::updateVpnStatistics);
    connect(&dhcpRefreshedTimer, &QTimer::timeout, this, &VpnCtl::onDhcpRefreshed);
    connect(&dhcpNotRefreshedTimer, &QTimer::timeout, this, &VpnCtl::onDhcpNotRefreshed);
    NetworkNotifier* notifier = NetworkNotifier::instance();
    connect(notifier, &NetworkNotifier::localConnectionIsChanged, this, &VpnCtl::onLocalConnectionChanged);
    connect(notifier, &NetworkNotifier::internetIsEstablished, this,
            &VpnCtl::requestActivationBecauseInternetRestored);
}

ActivationState VpnCtl::initialActivationState() const
{
    const NetworkCtl::OneReading reading;
    if (!NetworkCtl::isConnectionEnabled())
        return Disconnected;
    return NetworkCtl::isConnectionSecured() ? StateSecure : Deactivated;
}

bool VpnCtl::isDeactivated() const
{
    return isDeactivatedState(state);
}

bool VpnCtl::isDeactivatedState(ActivationState activationState)
{
    return activationState < Activating;
}

bool VpnCtl::isActivating() const
{
    return state == Activating;
}

bool VpnCtl::isActivated() const
{
    return state == Activated;
}

bool VpnCtl::isDeactivating() const
{
    return state == Deactivating;
}

void VpnCtl::setState(ActivationState newState)
{
    if (newState != state) {
        qDebug().noquote() << "VpnCtl: Activation state change:" << activationStateName(newState) << "from"
                           << activationStateName(state);
        switch (newState) {
        case Disconnected:
        case StateSecure:
        case Deactivated:
            statisticsTimer.stop();
            if (!reactivateIfNecessary()) {
                failedHosts.clear();
                emit restoreSavedClusterAndServer();
            }
            break;
        case Activating:
            if (state == Deactivating) {
                qDebug() << "VpnCtl: skipping activating state change. Forsing stop VPN.";
                mgmt.vpnStop();
                return;
            }
            break;
        case Activated:
            statisticsTimer.start();
            break;
        case Deactivating:
            authFailedAnswerPending = false;
            RoutingTable::instance()->stopWatching();
            if (!vpnProcessStarted) {
                // No openvpn of ours to wait for: the client only sees the idle state.
                state = Deactivating;
                setState(initialActivationState());
                return;
            }
            break;
        }
        state = newState;
    }
    emit activationStateChanged(newState);
    if (recoverDnsOnActivated && state == Activated) {
        recoverDnsOnActivated = false;
        NetworkCtl::recoverDNS();
    }
}

bool VpnCtl::reactivateIfNecessary()
{
    if (reactivationDelay == 0)
        return false;
    qDebug() << "Reactivating on request (delay =" << reactivationDelay << ")";
    QTimer::singleShot(timerMs(reactivationDelay), this, &VpnCtl::emitRequestActivation);
    reactivationDelay = 0;
    return true;
}

void VpnCtl::emitRequestActivation()
{
    emit requestActivation();
}

void VpnCtl::activate(const VpnAuthData& auth)
{
    if (isActivating() || isActivated())
        return;
    setState(Activating);
    authData = auth;
    RoutingTable::instance()->stopWatching();
    startVpn();
}

void VpnCtl::activateOnInternetExisted()
{
    NetworkNotifier::instance()->startWaitingForInternetConnection();
}

void VpnCtl::startVpn()
{
    if (closing)
        return;
    mgmt.stop();
    mgmt.setAuth(authData.user, authData.password);
    setState(Activating);
    vpnProcessStarted = true;
    launching = true;
    // The session may close while the start waits, and delete this object with it;
    // what owned the session then owns the stop of the openvpn started for it.
    const QPointer<VpnCtl> alive(this);
    const QPointer<QObject> owner(parent());
    const int result = openvpn_manager::start(authData.host, authData.is_encrypted);
    // What arrived while the start blocked (network changes, the monitor's reports,
    // the end of the session) is handled now and shows as a changed state below.
    // Client requests wait for this one's reply; a deactivation among them meets
    // the state check of the next management state line instead.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (alive)
        launching = false;
    if (!alive || closing || !isActivating()) {
        startProcessKiller(alive ? this : owner.data());
        return;
    }
    switch (result) {
    case 0:
        // Seen running by the start: without this, a process ending before the
        // monitor's first look would never be reported and the state would stay put.
        monitor.expectRunning();
        authFailedAnswerPending = false;
        mgmt.start(QLatin1String(openvpn_manager::ovpnManagementAddr), openvpn_manager::ovpnManagementPort);
        break;
    case 2:
        killAllreadyRunningOpenVpnProcess();
        break;
    default:
        onStartVpnFinish(false);
        break;
    }
}

void VpnCtl::killAllreadyRunningOpenVpnProcess()
{
    launching = true;
    auto* killer = new VpnProcessKiller(true, this);
    // Tied to the management client so that a kill finishing while this object is
    // being destroyed finds the connection already gone.
    connect(killer, &VpnProcessKiller::killAttemptFinish, &mgmt,
            [this](bool success) { onKillAllreadyRunningOpenVpnProcessFinish(success); });
    killer->killOpenVpnProcess(QLatin1String(openvpn_manager::ovpnManagementAddr), openvpn_manager::ovpnManagementPort);
}

void VpnCtl::onKillAllreadyRunningOpenVpnProcessFinish(bool success)
{
    launching = false;
    if (closing)
        return;
    if (success)
        startVpn();
    else
        onStartVpnFinish(false);
}

void VpnCtl::onStartVpnFinish(bool success)
{
    if (success)
        return;
    vpnProcessStarted = false;
    setState(initialActivationState());
    emit activationFailed(createErrorInfo(authData.host));
}

QString VpnCtl::createErrorInfo(const QString& host) const
{
    const QString report =
        LinkProtocol::errorReport(host, DataFile::readTail(QLatin1String(paths::OpenvpnLogName),
                                                           LinkProtocol::MaxReportedLogBytes));
    if (DataFile::exists(QLatin1String(paths::OpenvpnLogName))) {
        qDebug() << "openvpn.log";
        qDebug().noquote() << report.mid(host.size() + int(qstrlen(LinkProtocol::ErrorReportMarker)));
    }
    return report;
}

void VpnCtl::deactivate()
{
    if (isDeactivated()) {
        setState(initialActivationState());
    } else if (isActivating() || isActivated()) {
        mgmt.vpnStop();
        setState(Deactivating);
    }
}

void VpnCtl::updateVpnStatistics()
{
    if (isActivated())
        mgmt.getVpnStatistics();
    else
        emit vpnStatisticsUpdated(0, 0);
}

void VpnCtl::notifyAboutServerChange()
{
    emit activatingServerChanged(authData.host);
}

void VpnCtl::onVpnState(VpnState vpnState)
{
    switch (vpnState) {
    case VpnState::Connecting:
        setState(Activating);
        break;
    case VpnState::Connected:
        setState(Activated);
        wasConnected = true;
        NetworkNotifier::instance()->stopWaitingForInternetConnection();
        return;
    case VpnState::Exited:
        setState(Deactivating);
        break;
    case VpnState::ConnectionReset:
        if (NetworkCtl::isInternetConnectionExisted()) {
            authFailedAnswerPending = true;
            emit vpnAuthFailed();
        } else {
            onVpnState(VpnState::ForcedFailure);
        }
        break;
    case VpnState::ForcedFailure:
        emit forcedActivationFailed(createErrorInfo(authData.host));
        if (wasConnected)
            NetworkNotifier::instance()->startWaitingForInternetConnection();
        break;
    case VpnState::AuthFailure:
        setState(initialActivationState());
        emit authenticationFailed();
        break;
    case VpnState::Fatal:
        if (!NetworkCtl::isInternetConnectionExisted()) {
            qDebug() << "VpnCtl: VPN re-connection: the internet is not vailable so waiting fot internet is started "
                        "instead VPN re-connection";
            NetworkNotifier::instance()->startWaitingForInternetConnection();
            break;
        }
        Q_FALLTHROUGH();
    case VpnState::ConnectedWithError:
        if (setOtherCloserVpnInstance()) {
            qDebug() << "VpnCtl: VPN re-connection: the next instance is found, connection is starting";
            reactivate(nextServerDelayMs);
        } else {
            qDebug() << "VpnCtl: VPN re-connection:  attempts to connect to the several VPN servers ("
                     << failedHosts.size() << ") were failed";
            deactivate();
            emit vpnConnectionEpicFail();
        }
        break;
    }
    wasConnected = false;
}

bool VpnCtl::setOtherCloserVpnInstance()
{
    qDebug().noquote() << "VpnCtl: VPN re-connection: server " + authData.host + " is not available";
    failedHosts.append(authData.host);
    const VpnServer next = serverList.findNextServerForReconnection(failedHosts, currentCluster);
    if (next == VpnServerList::nullServer) {
        qDebug() << "VpnCtl: VPN re-connection: next VPN server was not found";
        return false;
    }
    qDebug().noquote() << "VpnCtl: VPN re-connection: next VPN server = " + next.host;
    authData.host = next.host;
    notifyAboutServerChange();
    return true;
}

VpnServer VpnCtl::getNextReconnectionServer(const VpnServer& current)
{
    authData.host = current.host;
    if (setOtherCloserVpnInstance())
        return serverList.findByHost(authData.host);
    return VpnServer();
}

void VpnCtl::reactivate(unsigned long long delayMs)
{
    if (!isActivating() && !isActivated())
        return;
    qDebug().nospace() << "VpnCtl: Reactivate request in " << delayMs << "ms";
    reactivationDelay = delayMs;
    deactivate();
}

void VpnCtl::resetFailedServerList()
{
    failedHosts.clear();
    emit restoreSavedClusterAndServer();
}

void VpnCtl::onVpnAuthFailedAnswer(VpnAuthFailedClientAnswer answer)
{
    authFailedAnswerPending = false;
    switch (answer) {
    case AnswerPasswordValid:
        onVpnState(VpnState::Fatal);
        break;
    case AnswerPasswordInvalid:
        setState(initialActivationState());
        emit authenticationFailed();
        wasConnected = false;
        break;
    default:
        onVpnState(VpnState::ForcedFailure);
        break;
    }
}

void VpnCtl::setServersList(const QList<VpnServer>& servers, const QList<VpnCluster>& clusters)
{
    serverList.set(servers, clusters);
}

void VpnCtl::setCurrentCluster(const QString& cluster)
{
    currentCluster = cluster;
}

// The monitor tells what its last look saw, and a launch can overtake that: a stop
// seen meanwhile is the stray's or the previous openvpn's. The launch itself finds out
// whether the new one runs, and from then on the monitor follows that one.
void VpnCtl::onVpnStopped()
{
    if (launching) {
        qDebug() << "VpnCtl: vpn monitor indicates stopped while a new openvpn is being launched";
        return;
    }
    // Why openvpn ended (a server that refused it, a reset) may still wait unread in
    // the management socket when the monitor saw the end first; it decides what
    // comes next, exactly as when it is read first.
    mgmt.readPending();
    mgmt.stop();
    vpnProcessStarted = false;
    openvpn_manager::retirePidFile();
    if (isActivating() || isActivated()) {
        if (RoutingTable::isRoutingTableCrashed())
            onVpnUnexpectedShutdown(false);
        else if (!NetworkCtl::isConnectionEnabled())
            NetworkNotifier::instance()->startWaitingForInternetConnection();
        else if (!authFailedAnswerPending)
            reactivate(nextServerDelayMs);
    }
    // Until the client answers an authentication failure the state stays put.
    if (authFailedAnswerPending)
        return;
    setState(initialActivationState());
}

void VpnCtl::onVpnStarted()
{
    DataFile::remove(QLatin1String(paths::OpenvpnLastPidName));
    qDebug().noquote() << "VpnCtl: vpn monitor indicates running while state is" << activationStateName(state);
    if (isDeactivated()) {
        qDebug() << "VpnCtl: Closing OpenVPN process by VpnProcessKiller";
        startProcessKiller(this);
    }
}

void VpnCtl::onConnectionToVpnProcessFailed()
{
    qDebug() << "VpnCtl: Connection to VPN process failed";
    setState(initialActivationState());
    emit connectionToVpnProcessFailed();
}

void VpnCtl::onLocalConnectionChanged()
{
    if (isDeactivated()) {
        const ActivationState idle = initialActivationState();
        qDebug().noquote() << "VpnCtl: update initialActivationState() -" << activationStateName(idle);
        setState(idle);
    } else if ((isActivating() || isActivated()) && !NetworkCtl::isConnectionEnabled()) {
        deactivate();
        NetworkNotifier::instance()->startWaitingForInternetConnection();
    }
}

void VpnCtl::onTunelUp(const QString& expectedRouteGateway)
{
    RoutingTable::instance()->startWatching(expectedRouteGateway);
}

void VpnCtl::onTunelDown()
{
    RoutingTable::instance()->stopWatching();
}

void VpnCtl::onVpnUnexpectedShutdown(bool allow_emit_error)
{
    if (RoutingTable::isRoutingTableCrashed()) {
        qDebug() << "VpnCtl: routing table is crashed";
        qDebug() << "VpnCtl: start recovering routing table and DNS...";
        recoverDnsOnActivated = true;
        qDebug() << "VpnCtl: stop routing table watching...";
        RoutingTable::instance()->stopWatching();
        qDebug() << "VpnCtl: emit VPN deactivation";
        deactivate();

        const QString method = NetworkCtl::getTcpIpConfigMethod();
        if (method == QLatin1String("DHCP") || method == QLatin1String("INFORM")) {
            const QString networkInterface = NetworkCtl::getDefaultNetworkInterface();
            if (!networkInterface.isEmpty()) {
                startWaitingOfDhcpRefreshing();
                NetworkCtl::renewDHCP(networkInterface);
                return;
            }
        } else if (method == QLatin1String("Manual")) {
            const QString router = NetworkCtl::getStaticRouter();
            if (!router.isEmpty()) {
                qDebug() << "VpnMgmt: stop routing table watching...";
                RoutingTable::instance()->stopWatching();
                RoutingTable::recoverVpnDefaultRoute(router);
                emit requestActivation();
                return;
            }
        }
    }
    if (allow_emit_error)
        onVpnState(VpnState::ForcedFailure);
}

void VpnCtl::startWaitingOfDhcpRefreshing()
{
    routeChangedDuringDhcpWait = false;
    qDebug() << "VpnCtl: start waiting of DHCP refreshing...";
    dhcpNotRefreshedTimer.start(timerMs(dhcpRefreshWaitMs));
    if (dhcpRouteWatcher)
        return;
    dhcpRouteWatcher = new RoutingTableWatchThread(this);
    connect(dhcpRouteWatcher, &RoutingTableWatchThread::routeChanged, this, &VpnCtl::dhcpRefreshingOnRouteChanged);
    dhcpRouteWatcher->start();
    qDebug() << "VpnCtl: waiting of DHCP refreshing is started";
}

void VpnCtl::dhcpRefreshingOnRouteChanged()
{
    // The renewal counts as done once the routes have been quiet for a while.
    dhcpRefreshedTimer.start(timerMs(dhcpSettleMs));
    routeChangedDuringDhcpWait = true;
    qDebug() << "VpnCtl: routing table is changed during waiting of DHCP refreshing";
}

void VpnCtl::onDhcpRefreshed()
{
    dhcpNotRefreshedTimer.stop();
    dropDhcpRouteWatcher();
    qDebug() << "VpnCtl: waiting of DHCP refreshing is stopped";
    qDebug() << "VpnCtl: start VPN activation...";
    emit requestActivation();
}

void VpnCtl::onDhcpNotRefreshed()
{
    if (routeChangedDuringDhcpWait)
        return;
    dropDhcpRouteWatcher();
    qDebug() << "VpnCtl: waiting of DHCP refreshing is stopped";
    qDebug() << "VpnCtl: refreshing of DHCP didn't take place";
    QString route;
    if (RoutingTable::FindDefaultRoute(route, QString())) {
        qDebug().noquote() << "VpnCtl: default route (" + route + ") is existed so start VPN activation...";
        emit requestActivation();
    } else {
        qDebug() << "VpnCtl: default route is not existed so show connection error message...";
        onVpnState(VpnState::ForcedFailure);
    }
}

void VpnCtl::dropDhcpRouteWatcher()
{
    if (!dhcpRouteWatcher)
        return;
    dhcpRouteWatcher->terminate();
    delete dhcpRouteWatcher;
    dhcpRouteWatcher = nullptr;
}
