#include "VpnCtlClient.h"

#include "NetworkCtlClient.h"
#include "Ozm.h"
#include "OzmCommunicator.h"
#include "PowerNotifier.h"

#include <ClientAuthData.h>
#include <Config.h>
#include <HttpAccess.h>
#include <LinkProtocol.h>
#include <LogVPNErrorCommand.h>
#include <ProfileCommand.h>
#include <SetupConnectionCommand.h>
#include <VerifyPasswordCommand.h>
#include <VpnAuthFailedClientAnswer.h>
#include <VpnServerList.h>

#include <QDateTime>
#include <QDebug>
#include <QEventLoop>

namespace {

VpnCtlClient* instance = nullptr;

// Never the password itself: the log travels in support reports.
const QString HiddenPassword = QStringLiteral("***");

const char* const ProfileCheckAfterActivated = "VPN Activated: server-side reported no profile errors";

QString yesNo(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// Sends a request whose answer does not matter.
void tell(const char* name, const QString& a1 = QString(), const QString& a2 = QString())
{
    OzmCommunicator(name).request(a1, a2);
}

// Releases a command whose completion must not reach the session any more.
template <typename Command>
void release(QPointer<Command>& command, QObject* receiver)
{
    if (!command)
        return;
    command->disconnect(receiver);
    command->deleteLater();
    command = nullptr;
}

// Takes the command whose completion is running: from here on the session no
// longer holds it, so nothing the completion sets off deletes it under its feet.
template <typename Command>
Command* takeCompleted(QPointer<Command>& command, QObject* sender)
{
    if (!command || command != sender)
        return nullptr;
    Command* const taken = command;
    command = nullptr;
    taken->deleteLater();
    return taken;
}

} // namespace

VpnCtlClient* VpnCtlClient::initInstance(QObject* parent)
{
    if (instance)
        return instance;
    Ozm* const link = Ozm::inst();
    if (!link)
        qFatal("VpnCtlClient: cannot init instance without Ozm() instance");
    instance = new VpnCtlClient(parent);
    connect(instance, &QObject::destroyed, [] { instance = nullptr; });
    const QList<QPair<const char*, const char*>> callbacks{
        {LinkProtocol::Event::RequestVpnActivation, "SignalOnRequestActivation"},
        {LinkProtocol::Event::RequestVpnActivationOnInternetRestore, "SignalOnRequestActivationOnInternetRestored"},
        {LinkProtocol::Event::VpnActivationFailed, "SignalOnActivationFailed"},
        {LinkProtocol::Event::VpnForcedActivationFailed, "SignalOnForcedActivationFailed"},
        {LinkProtocol::Event::VpnConnectionEpicFail, "SignalOnVpnConnectionEpicFail"},
        {LinkProtocol::Event::AuthenticationFailed, "SignalOnAuthenticationFailed"},
        {LinkProtocol::Event::ConnectiontoVpnProcessFailed, "SignalOnConnectionToVpnProcessFailed"},
        {LinkProtocol::Event::VpnAuthFailed, "SignalOnVpnAuthFailed"},
        {LinkProtocol::Event::ActivationStateChanged, "SignalOnActivationStateChanged"},
        {LinkProtocol::Event::ActivatingServerChanged, "SignalOnActivatingServerChanged"},
        {LinkProtocol::Event::VpnStatisticsUpdated, "SignalOnVpnStatisticsUpdated"},
        {LinkProtocol::Event::RestoreSavedClusterAndServer, "SignalOnRestoreSavedClusterAndServer"},
    };
    for (const auto& callback : callbacks)
        link->registerSignalCallBack(QLatin1String(callback.first), instance, callback.second);
    return instance;
}

VpnCtlClient* VpnCtlClient::inst()
{
    return instance;
}

// Done here and not in the destructor: the wait runs queued slots of this object,
// which must find it whole.
void VpnCtlClient::dropInstance()
{
    if (!instance)
        return;
    if (instance->m_state >= Activating && instance->deactivate()) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(instance, &VpnCtlClient::activationStateChanged, &loop, [&loop](ActivationState state) {
            if (isDeactivatedState(state))
                loop.quit();
        });
        limit.start(QuitDeactivationWaitMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    delete instance;
}

VpnCtlClient::VpnCtlClient(QObject* parent)
    : QObject(parent)
    , m_totalTraffic(Config::instance()->getTotalBytesServed())
{
    PowerNotifier* const power = PowerNotifier::instance();
    connect(power, &PowerNotifier::systemSleep, this, &VpnCtlClient::onSystemSleep);
    connect(power, &PowerNotifier::systemWake, this, &VpnCtlClient::onSystemWake);

    for (QTimer* timer : {&m_profileCheckTimer, &m_serverListRetryTimer, &m_reactivateTimer, &m_logicRequestTimer})
        timer->setSingleShot(true);
    m_profileCheckTimer.setInterval(ProfileCheckDelayMs);
    m_serverListRetryTimer.setInterval(ServerListRetryMs);
    m_logicRequestTimer.setInterval(LogicRequestDelayMs);
    connect(&m_profileCheckTimer, &QTimer::timeout, this,
            [this] { checkProfile(QLatin1String(ProfileCheckAfterActivated)); });
    connect(&m_serverListRetryTimer, &QTimer::timeout, this, [this] { onActivate(m_retryManual); });
    connect(&m_reactivateTimer, &QTimer::timeout, this, &VpnCtlClient::activate);
    connect(&m_logicRequestTimer, &QTimer::timeout, this, &VpnCtlClient::activationRequestedByLogic);
}

void VpnCtlClient::init(QSharedPointer<HttpAccess>& access, QSharedPointer<ClientAuthData>& authData,
                        QSharedPointer<VpnServerList>& servers, QSharedPointer<QString>& clientIp)
{
    if (m_servers)
        m_servers->disconnect(this);
    m_access = access;
    m_authData = authData;
    m_servers = servers;
    m_clientIp = clientIp;
    connect(m_servers.data(), &VpnServerList::updated, this, &VpnCtlClient::onServersChanged);
}

bool VpnCtlClient::isDeactivatedState(ActivationState state)
{
    return state == Disconnected || state == StateSecure || state == Deactivated;
}

bool VpnCtlClient::isJustActivationStateChanged() const
{
    return m_stateTimer.isValid() && m_stateTimer.elapsed() < JustChangedMs;
}

VpnServer VpnCtlClient::getServer() const
{
    return m_servers ? m_servers->findByHost(m_auth.host) : VpnServer();
}

ActivationState VpnCtlClient::initialActivationState()
{
    OzmCommunicator communicator(LinkProtocol::Request::InitialActivationState);
    if (communicator.request() && communicator.answer().size() == 1)
        return ActivationState(communicator.answer().first().toInt());
    return Disconnected;
}

void VpnCtlClient::updateVpnStatistics()
{
    tell(LinkProtocol::Request::UpdateVpnStatistics);
}

void VpnCtlClient::setState(ActivationState state)
{
    qDebug().noquote() << "VpnCtlClient: set state: " + activationStateName(state) + ". Current state: " +
                              activationStateName(m_state);
    if (state == m_state)
        return;
    // A session that ends or starts again (openvpn counts from zero once more)
    // adds what it carried to the total.
    if (state < Activating || state == Activated)
        addSessionToTotal();
    if (state != Activated)
        m_profileCheckTimer.stop();
    if (state == Activated && m_authData) {
        const SubscriptionPointer subscription = m_authData->subscription();
        if (!subscription || !subscription->isValid() || subscription->isExpired())
            m_profileCheckTimer.start();
    }
    qDebug().noquote() << "VpnCtlClient: Activation state change:" << activationStateName(state) << "from"
                       << activationStateName(m_state);
    m_state = state;
    m_stateTimer.restart();
    emit activationStateChanged(m_state);
    // Asked only now: the request waits in a nested loop, where a state set
    // meanwhile must not be overwritten by this one.
    if (state < Activating)
        updateVpnStatistics();
}

void VpnCtlClient::addSessionToTotal()
{
    if (m_sessionTraffic == 0)
        return;
    m_totalTraffic += m_sessionTraffic;
    m_sessionTraffic = 0;
    Config::instance()->setTotalBytesServed(m_totalTraffic);
}

bool VpnCtlClient::activate()
{
    return onActivate(false);
}

bool VpnCtlClient::activateByManualClick()
{
    qDebug("manual activate");
    if (!NetworkCtlClient::inst() || !NetworkCtlClient::inst()->isConnectionEnabled())
        emit showStatusWindow();
    return onActivate(true);
}

bool VpnCtlClient::onActivate(bool manual)
{
    emit enableStatusShowing();
    if (m_state == Activating || m_starting)
        return true;
    if (m_state == Activated)
        return false;
    m_serverListRetryTimer.stop();
    m_reactivateTimer.stop();
    m_logicRequestTimer.stop();
    m_vpnStarted = false;
    if (!NetworkCtlClient::inst() || !NetworkCtlClient::inst()->isConnectionEnabled()) {
        emit cantEstablishConnection();
        return false;
    }
    if (!m_authData || !m_authData->isEmailValid() || !m_authData->isPasswordValid()) {
        emit authenticationFailed();
        return false;
    }

    m_starting = true;
    if (manual)
        tell(LinkProtocol::Request::ResetReconnectionLogic);
    if (!m_starting)
        return false;
    m_auth.user.clear();
    m_auth.password.clear();
    if (m_auth.host.isEmpty()) {
        Config* const config = Config::instance();
        const QString host = m_servers ? m_servers->getClosestServerHost(config->getCurrentCluster(),
                                                                            config->getCurrentServer())
                                       : QString();
        if (host.isEmpty()) {
            m_starting = false;
            m_retryManual = manual;
            m_serverListRetryTimer.start();
            return false;
        }
        m_auth.host = host;
    }
    notifyActivationServerChanged();
    tell(LinkProtocol::Request::SetCurrentCluster, Config::instance()->getCurrentCluster());
    if (!m_starting)
        return false;
    m_starting = false;
    setState(Activating);
    startSetupConnection();
    return true;
}

void VpnCtlClient::stopPendingActivation()
{
    m_starting = false;
    m_serverListRetryTimer.stop();
    m_reactivateTimer.stop();
}

void VpnCtlClient::notifyActivationServerChanged()
{
    if (!m_servers)
        return;
    const VpnServer& server = m_servers->findByHost(m_auth.host);
    emit activatingServerChanged(server, m_servers->findClusterByServer(server).name);
}

void VpnCtlClient::notifyCurrentActivationState()
{
    emit activationStateChanged(m_state);
}

void VpnCtlClient::startSetupConnection()
{
    release(m_setupCommand, this);
    m_setupCommand = new SetupConnectionCommand(*m_authData, m_auth.host, this);
    m_setupCommand->setupRetries(5, 2000, 1000);
    connect(m_setupCommand.data(), &HttpCommand::completed, this, &VpnCtlClient::onSetupConnectionCompleted);
    m_setupCommand->execute(m_access.data());
}

void VpnCtlClient::onSetupConnectionCompleted(bool ok)
{
    SetupConnectionCommand* const command = takeCompleted(m_setupCommand, sender());
    if (!command)
        return;
    if (m_state != Activating) {
        qDebug("VpnCtlClient: SetupConnection command complete, but activation is not started anymore. Abort "
               "connection.");
        return;
    }
    qDebug().noquote() << "VpnCtlClient: SetupConnection command complete. Success status:" << yesNo(ok);
    if (!command->isSuccess()) {
        onSetupConnectionFailed(command->resultCode(), command->resultText());
        return;
    }
    qDebug().noquote() << "VpnConfig: got username" << command->user << "password"
                       << (command->password.isEmpty() ? QString() : HiddenPassword) << "host" << command->host
                       << "isEncrypted =" << yesNo(command->isEncrypted);
    m_auth.host = command->host;
    m_auth.user = command->user;
    m_auth.password = command->password;
    m_auth.is_encrypted = command->isEncrypted;
    if (m_auth.host.isEmpty() || m_auth.user.isEmpty() || m_auth.password.isEmpty()) {
        qDebug("VpnCtlClient: Vpn cannot be started with invalid auth data!");
        setState(initialActivationState());
        emit activationFailed(m_auth.host);
        return;
    }
    if (command->hasNewServerList) {
        qDebug("Servers and clusters updated from SetupConnection responce");
        emit serversUpdatedFromSetupConnection(command->servers, command->clusters);
    }
    if (command->hasNewLocation) {
        qDebug("Location updated from SetupConnection responce");
        emit locationUpdatedFromSetupConnection(command->location);
    }
    notifyActivationServerChanged();
    startVpn();
}

void VpnCtlClient::startVpn()
{
    if (m_state != Activating)
        return;
    m_vpnStarted = true;
    tell(LinkProtocol::Request::VpnActivate, m_auth.toString());
}

void VpnCtlClient::onServersChanged()
{
    QStringList servers;
    for (const VpnServer& server : m_servers->allServers())
        servers << server.toString();
    if (servers.isEmpty())
        servers << VpnServer().toString();
    QStringList clusters;
    for (const VpnCluster& cluster : m_servers->clusters())
        clusters << cluster.toString();
    if (clusters.isEmpty())
        clusters << VpnCluster().toString();
    tell(LinkProtocol::Request::SetServersList, LinkProtocol::joinList(servers), LinkProtocol::joinList(clusters));
}

bool VpnCtlClient::deactivate()
{
    qDebug("deactivate");
    stopPendingActivation();
    release(m_setupCommand, this);
    release(m_profileCommand, this);
    m_profileCheckTimer.stop();
    if (isDeactivated() || m_state == Deactivating)
        return m_state == Deactivating;
    if (!m_vpnStarted) {
        setState(initialActivationState());
        return false;
    }
    m_vpnStarted = false;
    if (!OzmCommunicator(LinkProtocol::Request::VpnDeactivate).request()) {
        setState(initialActivationState());
        return false;
    }
    return true;
}

void VpnCtlClient::cancelActivate()
{
    qDebug("cancel activate");
    m_logicRequestTimer.stop();
    deactivate();
}

void VpnCtlClient::reactivate(int delay)
{
    if (m_state == Activated || (m_state == Activating && m_vpnStarted)) {
        tell(LinkProtocol::Request::VpnReactivate, QString::number(delay));
    } else if (m_state == Activating) {
        deactivate();
        qDebug().noquote() << "VpnCtlClient: Reactivate request in" << delay << "ms";
        m_reactivateTimer.start(delay);
    }
}

void VpnCtlClient::onSystemSleep()
{
    qDebug("VpnCtlClient: Going to sleep");
    if (isDeactivated() || m_state == Deactivating) {
        m_sleptWhileActive = false;
        return;
    }
    m_sleptWhileActive = true;
    deactivate();
}

void VpnCtlClient::onSystemWake()
{
    qDebug("VpnCtlClient: Waking up");
    if (!m_sleptWhileActive)
        return;
    m_sleptWhileActive = false;
    tell(LinkProtocol::Request::VpnActivateOnInternetExisted);
}

void VpnCtlClient::onBackendServiceState(ActivationState state)
{
    if (m_state >= Activating && state == Disconnected)
        m_logicRequestTimer.start();
    if (m_state != Activating)
        setState(state);
    else if ((state == StateSecure || state == Deactivated) && !m_vpnStarted)
        return;
    else if (state == Disconnected)
        deactivate();
    else
        setState(state);
}

void VpnCtlClient::fallBackToIdle()
{
    setState(initialActivationState());
}

void VpnCtlClient::fallBackToIdleWhileActivating()
{
    if (m_state == Activating)
        fallBackToIdle();
}

void VpnCtlClient::onSetupConnectionFailed(int code, const QString& text)
{
    qDebug().noquote() << "Config request error: " + HttpCommandCode::nameOf(code) << text;
    logVPNError(text);
    if (code == HttpCommandCode::AuthenticationError) {
        emit authenticationFailed();
        fallBackToIdle();
    } else if (code == HttpCommandCode::DeviceNotFound) {
        m_authData->resetDevName();
        emit deviceNotFound();
        fallBackToIdle();
    } else if (code == HttpCommandCode::API_CODE_SETUP_CONNECTION_SERVER_IS_NOT_READY) {
        vpnConfigInstanceNotReady();
    } else if (code > HttpCommandCode::API_CODE_SETUP_CONNECTION_SERVER_IS_NOT_READY) {
        checkProfile(text);
    } else {
        emit activationFailed(m_auth.host);
        fallBackToIdle();
    }
}

void VpnCtlClient::vpnConfigInstanceNotReady()
{
    if (!NetworkCtlClient::isInternetConnectionExisted()) {
        qDebug("VpnCtlClient: VPN re-connection on internet existed");
        tell(LinkProtocol::Request::VpnActivateOnInternetExisted);
        return;
    }
    OzmCommunicator next(LinkProtocol::Request::GetNextReconnectionServer);
    if (!next.request(getServer().toString()) || next.answer().size() != 1)
        return;
    const VpnServer server = VpnServer::fromString(next.answer().first());
    if (server.host.isEmpty()) {
        qDebug("VpnCtlClient: VPN re-connection: cannot find server for reconnection. Stop");
        deactivate();
        emit vpnConnectionEpicFail();
        return;
    }
    m_auth.host = server.host;
    notifyActivationServerChanged();
    reactivate(NextServerDelayMs);
}

void VpnCtlClient::checkProfile(QString reason_to_check)
{
    release(m_profileCommand, this);
    m_profileCommand = new ProfileCommand(*m_authData, this);
    m_profileReason = reason_to_check;
    m_profileCommand->setupRetries(5, 2000, 1000);
    connect(m_profileCommand.data(), &HttpCommand::completed, this, &VpnCtlClient::onProfileCompleted);
    m_profileCommand->execute(m_access.data());
}

void VpnCtlClient::onProfileCompleted(bool ok)
{
    ProfileCommand* const command = takeCompleted(m_profileCommand, sender());
    if (!command)
        return;
    qDebug().noquote() << "VpnCtlClient: Profile command complete. Success status:" << yesNo(ok);
    if (!ok) {
        // After Activated the tunnel is up whatever the service said.
        if (m_state == Activating) {
            fallBackToIdle();
            emit activationFailed(m_auth.host);
        }
        return;
    }
    const int code = command->resultCode();
    const QString text = command->resultText();
    const bool expiredAccount = code == HttpCommandCode::AccountExpired;
    // An error reply carries no profile: what the account holds stays.
    if (command->isSuccess() || expiredAccount) {
        m_authData->setMyDeviceRegistered(command->myDeviceRegistered);
        m_authData->setSubscription(command->subscription);
    }
    const SubscriptionPointer subscription = m_authData->subscription();
    const bool inactive = expiredAccount || (subscription && subscription->isValid() && subscription->isExpired());
    const auto commandCode = HttpCommandCode::CommandCode(code);

    if (!command->isSuccess()) {
        qDebug().noquote().nospace() << "VpnCtlClient: profileCommand STATUS CODE: " << code << " " << text;
        fallBackToIdleWhileActivating();
        if (code == HttpCommandCode::AuthenticationError) {
            emit authenticationFailed();
        } else if (code == HttpCommandCode::DeviceNotFound || code == HttpCommandCode::DeviceIdMissing) {
            m_authData->resetDevName();
            emit deviceNotFound();
        } else if (!expiredAccount && !inactive) {
            emit subscriptionInactive(SubscriptionPointer(), commandCode, text);
        }
    }
    if (inactive) {
        qCritical("Cannot activate secure connection with inactive tariff");
        fallBackToIdleWhileActivating();
        emit subscriptionInactive(subscription, commandCode, text);
        return;
    }
    if (!command->isSuccess()) {
        if (subscription && subscription->isValid())
            qDebug("Control reached unhandled unsuccess profile call result");
        else
            fallBackToIdleWhileActivating();
        return;
    }
    if (command->deviceLimitReached) {
        qDebug("VpnCtlClient: Profile reply shows device limit reached");
        fallBackToIdleWhileActivating();
        emit subscriptionInactive(SubscriptionPointer(), HttpCommandCode::CommandCode(-1),
                                  QStringLiteral("Device quota for your subscription is exceeded"));
    } else if (!command->myDeviceRegistered) {
        qDebug("VpnCtlClient: device is not registered");
        fallBackToIdleWhileActivating();
        m_authData->resetDevName();
        emit deviceNotFound();
    } else if (m_state == Activating) {
        qDebug().noquote() << "VpnCtlClient: Profile reply is success, when setup_connection reported an error:"
                           << m_profileReason;
        emit activationFailed(m_auth.host);
        vpnConfigInstanceNotReady();
    } else {
        qDebug("Control reached unhandled success profile after unsuccess sutup_connection call result");
    }
}

// Each report runs to its end: failures come in runs (a refused password ends
// the tunnel, then the session), and a later report must not cancel an earlier
// one, whose openvpn log is often the one that tells why.
void VpnCtlClient::logVPNError(QString description)
{
    const VpnServer server = getServer();
    const QString cluster = m_servers ? m_servers->findClusterByServer(server).name : QString();
    auto* const report = new LogVPNErrorCommand(*m_authData, m_clientIp ? *m_clientIp : QString(), m_auth.host,
                                                server.name, cluster, description,
                                                long(QDateTime::currentSecsSinceEpoch()), this);
    connect(report, &HttpCommand::completed, report, &QObject::deleteLater);
    report->execute(m_access.data());
}

bool VpnCtlClient::eventValues(const char* name, QStringList& values) const
{
    Ozm* const link = Ozm::inst();
    if (!link || !link->serviceIsRunning())
        return false;
    values = link->getLastAnswer(name);
    return true;
}

QPair<QString, QString> VpnCtlClient::splitErrorInfo(const QString& info)
{
    const QStringList parts = info.split(QLatin1String(LinkProtocol::ErrorReportMarker));
    if (parts.size() < 2)
        return {info, QString()};
    return {parts.at(0), parts.at(1)};
}

void VpnCtlClient::SignalOnRequestActivation()
{
    QStringList values;
    if (eventValues(LinkProtocol::Event::RequestVpnActivation, values))
        emit activationRequestedByLogic();
}

void VpnCtlClient::SignalOnRequestActivationOnInternetRestored()
{
    QStringList values;
    if (!eventValues(LinkProtocol::Event::RequestVpnActivationOnInternetRestore, values))
        return;
    // An activation held up for the Internet (its server was not ready and the
    // web host did not answer) goes on here; whoever decides on activation sees
    // it under way and would leave it waiting for ever.
    if (m_state == Activating && !m_vpnStarted && !m_setupCommand)
        startSetupConnection();
    emit activationRequestedOnInternetRestored();
}

void VpnCtlClient::SignalOnActivationFailed()
{
    QStringList values;
    if (!eventValues(LinkProtocol::Event::VpnActivationFailed, values) || values.size() != 1)
        return;
    const auto info = splitErrorInfo(values.first());
    emit activationFailed(info.first);
    logVPNError(QStringLiteral("Unable to start openvpn, vpn log:") + info.second);
}

void VpnCtlClient::SignalOnForcedActivationFailed()
{
    QStringList values;
    if (!eventValues(LinkProtocol::Event::VpnForcedActivationFailed, values) || values.size() != 1)
        return;
    const auto info = splitErrorInfo(values.first());
    emit forcedActivationFailed(info.first);
    logVPNError(QStringLiteral("Unexpected vpn error, vpn log:") + info.second);
}

void VpnCtlClient::SignalOnVpnConnectionEpicFail()
{
    QStringList values;
    if (!eventValues(LinkProtocol::Event::VpnConnectionEpicFail, values))
        return;
    emit vpnConnectionEpicFail();
    logVPNError(QStringLiteral("attempts to connect to the several VPN servers failed"));
}

void VpnCtlClient::SignalOnAuthenticationFailed()
{
    QStringList values;
    if (!eventValues(LinkProtocol::Event::AuthenticationFailed, values))
        return;
    emit authenticationFailed();
    logVPNError(QStringLiteral("VPN authentication error"));
}

void VpnCtlClient::SignalOnConnectionToVpnProcessFailed()
{
    QStringList values;
    if (!eventValues(LinkProtocol::Event::ConnectiontoVpnProcessFailed, values))
        return;
    emit connectionToVpnProcessFailed();
    logVPNError(QStringLiteral("Connection to openvpn failed"));
}

void VpnCtlClient::SignalOnVpnAuthFailed()
{
    QStringList values;
    if (!eventValues(LinkProtocol::Event::VpnAuthFailed, values))
        return;
    release(m_verifyCommand, this);
    m_verifyCommand = new VerifyPasswordCommand(*m_authData, this);
    connect(m_verifyCommand.data(), &HttpCommand::completed, this, &VpnCtlClient::onVerifyPasswordCompleted);
    m_verifyCommand->execute(m_access.data());
}

void VpnCtlClient::onVerifyPasswordCompleted(bool ok)
{
    VerifyPasswordCommand* const command = takeCompleted(m_verifyCommand, sender());
    VpnAuthFailedClientAnswer answer = AnswerCheckFailed;
    if (command && ok) {
        const int code = command->resultCode();
        if (code == HttpCommandCode::PasswordIsChanged || code == HttpCommandCode::PasswordIsIncorrect)
            answer = AnswerPasswordInvalid;
        else if (code == HttpCommandCode::PasswordVerifyingIsSuccessful)
            answer = AnswerPasswordValid;
    }
    tell(LinkProtocol::Request::OnVpnAuthFailedAnswer, QString::number(answer));
}

void VpnCtlClient::SignalOnActivationStateChanged()
{
    QStringList values;
    if (!eventValues(LinkProtocol::Event::ActivationStateChanged, values))
        return;
    onBackendServiceState(values.size() == 1 ? ActivationState(values.first().toInt()) : initialActivationState());
}

void VpnCtlClient::SignalOnActivatingServerChanged()
{
    QStringList values;
    if (!eventValues(LinkProtocol::Event::ActivatingServerChanged, values))
        return;
    if (values.size() == 1)
        m_auth.host = values.first();
    else
        m_auth.host.clear();
    notifyActivationServerChanged();
}

void VpnCtlClient::SignalOnVpnStatisticsUpdated()
{
    QStringList values;
    if (!eventValues(LinkProtocol::Event::VpnStatisticsUpdated, values))
        return;
    // Only a session that is up has figures of its own; late figures of one
    // that ended are in the total already.
    if (values.size() != 2 || (m_state != Activated && m_state != Deactivating)) {
        emit vpnStatisticsUpdated(0, m_totalTraffic);
        return;
    }
    const quint64 session = values.at(0).toULongLong() + values.at(1).toULongLong();
    // Lower figures are a tunnel that started again: what the last one carried stays counted.
    if (session < m_sessionTraffic)
        addSessionToTotal();
    m_sessionTraffic = session;
    emit vpnStatisticsUpdated(m_sessionTraffic, m_totalTraffic + m_sessionTraffic);
}

void VpnCtlClient::SignalOnRestoreSavedClusterAndServer()
{
    QStringList values;
    if (!eventValues(LinkProtocol::Event::RestoreSavedClusterAndServer, values))
        return;
    m_auth.host.clear();
    Config* const config = Config::instance();
    emit activatingServerChanged(m_servers ? m_servers->findByHost(config->getCurrentServer()) : VpnServer(),
                                 config->getCurrentCluster());
}
