#include "WelcomeCtl.h"

#include "ConnectionChecker.h"
#include "NetworkCtlClient.h"
#include "Ozm.h"
#include "VpnCtlClient.h"

#include <ClientAuthData.h>
#include <Config.h>
#include <EncryptPasswordCommand.h>
#include <GetSerialCommand.h>
#include <HttpAccess.h>
#include <ProfileCommand.h>
#include <RegisterCommand.h>
#include <RenameDeviceCommand.h>
#include <SecretMasking.h>
#include <VerifyPasswordCommand.h>

#include <QDebug>
#include <QTimer>

namespace {

// A serial is a device credential: it never reaches the log.
QString maskedSerial(const QString& serial)
{
    rememberSecret(serial);
    return maskSecrets(serial);
}

} // namespace

WelcomeCtl::WelcomeCtl(QObject* parent)
    : QObject(parent)
{
    if (NetworkCtlClient* network = NetworkCtlClient::inst())
        connect(network, &NetworkCtlClient::localConnectionIsChanged, this, &WelcomeCtl::onLocalConnectionIsChanged);
}

// Running commands and the checker are children and go with the controller.
WelcomeCtl::~WelcomeCtl() = default;

void WelcomeCtl::init(QSharedPointer<HttpAccess>& access, QSharedPointer<ClientAuthData>& authData)
{
    m_access = access;
    m_authData = authData;
}

void WelcomeCtl::setActivatePromptCallback(QObject* receiver, const char* method)
{
    m_callbackReceiver = receiver;
    m_callbackMethod = QByteArray(method);
}

template <typename Command>
Command* WelcomeCtl::replaceCommand(QPointer<Command>& member, const ClientAuthData& data,
                                    void (WelcomeCtl::*completion)(bool))
{
    release(member.data());
    auto* cmd = new Command(data, this);
    member = cmd;
    connect(cmd, &HttpCommand::completed, this, completion);
    return cmd;
}

// The command may be the sender of the completion that led here, or wait in a
// nested loop further down the stack: it is deleted only once control is back
// in the event loop, and nothing it still says reaches this controller.
void WelcomeCtl::release(HttpCommand* cmd)
{
    if (!cmd)
        return;
    disconnect(cmd, nullptr, this, nullptr);
    m_retryList.removeAll(QPointer<HttpCommand>(cmd));
    cmd->deleteLater();
}

void WelcomeCtl::addToRetryList(HttpCommand* cmd)
{
    if (!m_retryList.contains(QPointer<HttpCommand>(cmd)))
        m_retryList.append(cmd);
}

bool WelcomeCtl::isBackendRunning() const
{
    return Ozm::inst() && Ozm::inst()->serviceIsRunning();
}

void WelcomeCtl::start()
{
    configuringNowByCalls();
    if (m_authData->isEmailValid() && !Config::instance()->isFirstRun())
        startProfile();
    else
        emit needEmailPrompt(QStringLiteral(""));
}

void WelcomeCtl::showRegistration()
{
    m_verifyOnAuthFailure = false;
    if (!m_authData->isEmailValid()) {
        emit needEmailPrompt(QStringLiteral(""));
        return;
    }
    if (m_authData->oldPasswordTime().isValid())
        emit passwordChangedExternaly();
    else
        emit needDevicePrompt(m_authData->email(), true, m_authData->devName());
}

void WelcomeCtl::onWelcomeEmail(const QString& email)
{
    if (email != m_authData->email()) {
        m_wrongPasswordCount = 0;
        m_authData->invalidate();
    }
    m_authData->setEmail(email);
    startProfile();
}

void WelcomeCtl::onWelcomeDevice(const QString& deviceName, const QString& password, bool countAttempt)
{
    configuringNowByCalls();
    m_verifyOnAuthFailure = false;
    m_previousDeviceName = m_authData->devName();
    if (!deviceName.isEmpty())
        m_authData->setDevName(deviceName);
    m_countAttempt = countAttempt;
    startEncryptPassword(password);
}

void WelcomeCtl::onWelcomeResetPassword()
{
    emit resetPassword();
}

// Re-sent commands may complete, or be replaced, while the list is walked.
void WelcomeCtl::onWelcomeRetry()
{
    m_retryList.removeAll(QPointer<HttpCommand>());
    const QList<QPointer<HttpCommand>> entries = m_retryList;
    for (const QPointer<HttpCommand>& cmd : entries) {
        if (cmd)
            cmd->execute(m_access.data());
    }
}

void WelcomeCtl::allowHandleCommandErrors(bool allow)
{
    m_allowErrors = allow;
}

void WelcomeCtl::setActivationState(ActivationState state)
{
    m_activationState = state;
}

void WelcomeCtl::configuringNowByCalls()
{
    m_configuringByCalls = true;
    emit configuringNow();
}

void WelcomeCtl::callsConfigurationFinished()
{
    if (!isBackendRunning())
        return;
    m_configuringByCalls = false;
    configurationFinished();
}

void WelcomeCtl::startEncryptPassword(const QString& password)
{
    // The plain password travels only in this carrier, never in the shared
    // record; the carrier lives as long as the command and its retries.
    auto* carrier = new ClientAuthData(this);
    carrier->setEmail(m_authData->email());
    carrier->setPassword(password);
    EncryptPasswordCommand* cmd =
        replaceCommand(m_encryptPasswordCommand, *carrier, &WelcomeCtl::onEncryptPasswordCompleted);
    carrier->setParent(cmd);
    cmd->execute(m_access.data());
}

void WelcomeCtl::onEncryptPasswordCompleted(bool exchangeOk)
{
    EncryptPasswordCommand* cmd = m_encryptPasswordCommand;
    if (!handleCommandResult(cmd, exchangeOk, true))
        return;
    m_authData->setPassword(cmd->encryptedPassword);
    if (!m_authData->isMyDeviceRegistered())
        startRegistration();
    else
        startPasswordValidation();
}

void WelcomeCtl::startRegistration()
{
    replaceCommand(m_registerCommand, *m_authData, &WelcomeCtl::onRegistrationCompleted)->execute(m_access.data());
}

void WelcomeCtl::onRegistrationCompleted(bool exchangeOk)
{
    RegisterCommand* cmd = m_registerCommand;
    if (!cmd)
        return;
    m_authData->setOldPasswordTime(cmd->passwordTime);
    if (!handleCommandResult(cmd, exchangeOk, false)) {
        // A refused registration is sent again by Retry as well.
        addToRetryList(cmd);
        return;
    }
    qDebug().noquote() << "Registration: got serial" << maskedSerial(cmd->serial);
    emit deviceRegistered();
    m_authData->setSerial(cmd->serial);
    // The device was registered under the name just entered.
    m_previousDeviceName.clear();
    cmd->deleteLater();
    startProfile();
}

void WelcomeCtl::startPasswordValidation()
{
    replaceCommand(m_getSerialCommand, *m_authData, &WelcomeCtl::onPasswordValidationCompleted)
        ->execute(m_access.data());
}

void WelcomeCtl::onPasswordValidationCompleted(bool exchangeOk)
{
    GetSerialCommand* cmd = m_getSerialCommand;
    if (!cmd)
        return;
    m_authData->setOldPasswordTime(cmd->passwordTime);
    if (handleCommandResult(cmd, exchangeOk, true))
        startProfile();
}

void WelcomeCtl::startProfile()
{
    replaceCommand(m_profileCommand, *m_authData, &WelcomeCtl::onProfileCompleted)->execute(m_access.data());
}

void WelcomeCtl::onProfileCompleted(bool exchangeOk)
{
    ProfileCommand* cmd = m_profileCommand;
    if (!cmd)
        return;
    // An error reply carries no account: it must not clear what is known.
    if (!handleCommandResult(cmd, exchangeOk, false)) {
        if (exchangeOk)
            cmd->deleteLater();
        return;
    }
    applyProfile(*cmd);

    const QString email = m_authData->email();
    const bool passwordValid = m_authData->isPasswordValid();
    if (passwordValid && cmd->deviceLimitReached) {
        qDebug() << "Device Limit Exceeded";
        // Kept, so that Retry asks again once the user freed a device.
        addToRetryList(cmd);
        emit deviceLimitReachedFor(email);
        return;
    }
    cmd->deleteLater();

    const SubscriptionPointer subscription = cmd->subscription;
    if (subscription && subscription->isValid() && subscription->isExpired() && passwordValid) {
        emit subscriptionInactive(subscription, HttpCommandCode::NoResultCode, QStringLiteral(""));
        return;
    }
    if (m_authData->isMyDeviceRegistered()) {
        if (!cmd->mySerialListed) {
            qWarning() << "Profile reply contains no serial(s) for (this) device";
            emit errorOccured(QStringLiteral("Cannot get serial for this device"), QStringList(), false);
        } else if (passwordValid) {
            m_verifyOnAuthFailure = true;
            startGetSerial();
        } else {
            emit needDevicePrompt(email, cmd->hasPassword, m_authData->devName());
        }
    } else if (cmd->existingDeviceCount != 0) {
        emit needNewDevicePrompt(email);
    } else {
        emit needDevicePrompt(email, cmd->hasPassword, QStringLiteral(""));
    }
}

void WelcomeCtl::applyProfile(const ProfileCommand& cmd)
{
    // An empty e-mail or device id is a substring of every serial.
    const QString email = m_authData->email();
    const QString deviceId = m_authData->deviceId();
    if (m_authData->serial().isEmpty() && !email.isEmpty() && !deviceId.isEmpty()) {
        for (const QString& serial : cmd.serials) {
            if (serial.contains(email) && serial.contains(deviceId)) {
                m_authData->setSerial(serial);
                break;
            }
        }
    }
    if (m_authData->isPasswordValid())
        m_authData->setSubscription(cmd.subscription);
    m_authData->setMyDeviceRegistered(cmd.myDeviceRegistered);
    // A name the user just entered stays until the serial step has compared it.
    if (m_authData->isMyDeviceRegistered() && m_previousDeviceName.isEmpty())
        m_authData->setDevName(cmd.myDeviceName);
    m_authData->setDevicesNumber(cmd.userDeviceLimit, cmd.existingDeviceCount);
}

void WelcomeCtl::startGetSerial()
{
    replaceCommand(m_getSerialCommand, *m_authData, &WelcomeCtl::onGetSerialCompleted)->execute(m_access.data());
}

void WelcomeCtl::onGetSerialCompleted(bool exchangeOk)
{
    GetSerialCommand* cmd = m_getSerialCommand;
    if (!cmd)
        return;
    m_authData->setOldPasswordTime(cmd->passwordTime);
    if (handleCommandResult(cmd, exchangeOk, true)) {
        qDebug().noquote() << "GetSerial: got serial" << maskedSerial(cmd->serial);
        m_authData->setSerial(cmd->serial);
        if (!m_previousDeviceName.isEmpty() && m_previousDeviceName != m_authData->devName()) {
            startRenamingDevice();
        } else {
            m_previousDeviceName.clear();
            callsConfigurationFinished();
        }
    } else if (cmd->resultCode() == HttpCommandCode::AuthenticationError && m_verifyOnAuthFailure) {
        m_authData->invalidatePassword();
        onAuthenticationFailure();
    }
}

void WelcomeCtl::startRenamingDevice()
{
    qDebug().noquote() << "WelcomeCtl: Renaming device from" << m_previousDeviceName << "to"
                       << m_authData->devName();
    // One attempt: a later configuration does not rename again.
    m_previousDeviceName.clear();
    replaceCommand(m_renameDeviceCommand, *m_authData, &WelcomeCtl::onRenamingDeviceCompleted)
        ->execute(m_access.data());
}

void WelcomeCtl::onRenamingDeviceCompleted(bool exchangeOk)
{
    RenameDeviceCommand* cmd = m_renameDeviceCommand;
    if (!handleCommandResult(cmd, exchangeOk, true)) {
        if (!cmd)
            return;
        qDebug().noquote() << "WelcomeCtl: failed to rename device, code:" << HttpCommandCode::nameOf(cmd->resultCode());
        // The refusal has been reported; the account itself is configured. A
        // failed exchange waits for Retry instead.
        if (exchangeOk)
            callsConfigurationFinished();
        return;
    }
    qDebug() << "WelcomeCtl: device successfully renamed";
    callsConfigurationFinished();
}

void WelcomeCtl::onAuthenticationFailure()
{
    release(m_verifyPasswordCommand.data());
    m_verifyPasswordCommand.clear();
    m_authData->invalidateSubscription();
    if (m_authData->isEmailValid() && m_authData->isPasswordValid()) {
        replaceCommand(m_verifyPasswordCommand, *m_authData, &WelcomeCtl::onVerifyPasswordCompleted)
            ->execute(m_access.data());
        configuringNowByCalls();
        return;
    }
    showRegistration();
    m_authData->invalidatePassword();
}

void WelcomeCtl::onVerifyPasswordCompleted(bool exchangeOk)
{
    VerifyPasswordCommand* cmd = m_verifyPasswordCommand;
    if (!cmd)
        return;
    cmd->deleteLater();
    m_authData->setOldPasswordTime(cmd->passwordTime);
    if (exchangeOk) {
        if (cmd->resultCode() == HttpCommandCode::PasswordVerifyingIsSuccessful) {
            startProfile();
            return;
        }
        m_authData->invalidatePassword();
        if (cmd->resultCode() == HttpCommandCode::PasswordIsChanged) {
            emit passwordChangedExternaly();
            return;
        }
    }
    showRegistration();
}

bool WelcomeCtl::handleCommandResult(HttpCommand* cmd, bool exchangeOk, bool deleteLater)
{
    if (!cmd)
        return false;
    if (!exchangeOk) {
        addToRetryList(cmd);
        emit networkReplyError(static_cast<QNetworkReply::NetworkError>(cmd->error()), cmd->commandName());
    } else {
        m_retryList.removeAll(QPointer<HttpCommand>(cmd));
        if (deleteLater)
            cmd->deleteLater();
        if (cmd->isSuccess())
            return true;
        if (!m_allowErrors)
            return false;
        const bool isProfile = qobject_cast<ProfileCommand*>(cmd) != nullptr;
        bool genericError = false;
        switch (cmd->resultCode()) {
        case HttpCommandCode::AuthenticationError:
        case HttpCommandCode::IncorrectPassword:
            m_authData->invalidatePassword();
            m_authData->invalidateSubscription();
            if (m_countAttempt)
                ++m_wrongPasswordCount;
            if (cmd->resultCode() == HttpCommandCode::AuthenticationError)
                emit authenticationError(m_wrongPasswordCount);
            else
                emit incorrectPassword(m_wrongPasswordCount);
            break;
        case HttpCommandCode::UserNotFound:
            if (isProfile)
                return true;
            m_authData->invalidate();
            genericError = true;
            break;
        case HttpCommandCode::SearchCompleted:
            m_wrongPasswordCount = 0;
            break;
        case HttpCommandCode::AccountExpired:
            if (isProfile)
                return true;
            emit subscriptionInactive(SubscriptionPointer(), HttpCommandCode::AccountExpired,
                                      cmd->resultText().isEmpty() ? QStringLiteral("Your subscription has expired")
                                                                  : cmd->resultText());
            break;
        case HttpCommandCode::DeviceLimitReached:
            emit deviceLimitReachedFor(m_authData->email());
            break;
        default:
            genericError = true;
        }
        if (genericError) {
            if (!cmd->resultText().isEmpty())
                emit errorOccured(cmd->resultText(), QStringList(), false);
            else
                emit errorOccured(QStringLiteral("Command %1 failed."), QStringList{cmd->commandName()}, false);
        }
    }
    m_countAttempt = false;
    return false;
}

bool WelcomeCtl::activationAllowedByCallback()
{
    if (!m_callbackReceiver || m_callbackMethod.isEmpty())
        return true;
    bool allowed = true;
    if (!QMetaObject::invokeMethod(m_callbackReceiver.data(), m_callbackMethod.constData(), Qt::DirectConnection,
                                   Q_RETURN_ARG(bool, allowed))) {
        qWarning().noquote() << "WelcomeCtl: activate-prompt callback" << m_callbackMethod
                             << "could not be called; activation is not held back";
        return true;
    }
    return allowed;
}

void WelcomeCtl::configurationFinished()
{
    if (isConfiguringNow()) {
        m_retryList.removeAll(QPointer<HttpCommand>());
        if (!m_retryList.isEmpty())
            onWelcomeRetry();
        return;
    }
    if (!activationAllowedByCallback()) {
        qDebug() << "WelcomeCtl::configurationFinished() activation postponed due to callback";
        emit configured();
        return;
    }
    qDebug() << "WelcomeCtl::configurationFinished() - activateIfMustByConfig()";
    activateIfMustByConfig();
    emit configured();
}

bool WelcomeCtl::mustBeActive() const
{
    const NetworkCtlClient* network = NetworkCtlClient::inst();
    switch (Config::instance()->getActivateOption()) {
    case Config::ActivateOnAnyConnection:
        return true;
    case Config::ActivateOnUnsecuredWireless:
        return network && !network->isConnectionSecured();
    case Config::ActivateNever:
        break;
    }
    return false;
}

bool WelcomeCtl::isShouldBeActivated() const
{
    if (!NetworkCtlClient::inst() || m_manualOff)
        return false;
    return mustBeActive();
}

bool WelcomeCtl::isAlreadyActivate() const
{
    return m_activationState == Activating || m_activationState == Activated;
}

bool WelcomeCtl::isConfiguringNow() const
{
    return m_configuringByCalls || m_configuringByConnChecker;
}

void WelcomeCtl::activateIfMustByConfig()
{
    if (!isBackendRunning() || isConfiguringNow())
        return;
    if (!isAlreadyActivate() && isShouldBeActivated())
        emit activateTriggered();
    emit readyShowActivation();
}

bool WelcomeCtl::ensureActivationStateAsByConfig()
{
    if (!isBackendRunning())
        return false;
    if (isShouldBeActivated()) {
        if (isAlreadyActivate() || isConfiguringNow())
            return true;
        emit activateTriggered();
        return false;
    }
    if (isAlreadyActivate()) {
        emit deactivateTriggered();
        return false;
    }
    return true;
}

void WelcomeCtl::requestActivationOnConfigured()
{
    if (!isConfiguringNow())
        emit autoActivateAllowTriggered();
}

void WelcomeCtl::configureAndActivateIfMustByConfig()
{
    if (m_configuringByCalls)
        onWelcomeRetry();
    else
        start();
}

void WelcomeCtl::onDeactivateByManualClick()
{
    m_manualOff = true;
}

void WelcomeCtl::onLocalConnectionIsChanged()
{
    NetworkCtlClient* network = NetworkCtlClient::inst();
    const bool down = network && !network->isConnectionEnabled();
    const bool cameBack = m_networkDown && !down;
    // The backend reports a move straight to another network only here, not as
    // a change of the current one; it gets the same diagnosis.
    const bool moved = m_networkSeenUp && !down && network && !network->isSameNetworkAsBefore();
    m_networkDown = down;
    m_networkSeenUp = network && !down;
    if (down)
        configuringNowByCalls();
    emit disconnectedState(down);
    if (cameBack)
        start();
    else if (moved && VpnCtlClient::isDeactivatedState(m_activationState))
        onCurrentNetworkChanged();
}

bool WelcomeCtl::dropChecker()
{
    if (!m_checker)
        return false;
    disconnect(m_checker.data(), nullptr, this, nullptr);
    if (m_diagnosisTimer)
        disconnect(m_diagnosisTimer, nullptr, m_checker.data(), nullptr);
    m_checker.reset();
    return true;
}

void WelcomeCtl::onCurrentNetworkChanged()
{
    qDebug() << "01";
    VpnCtlClient* vpn = VpnCtlClient::inst();
    NetworkCtlClient* network = NetworkCtlClient::inst();
    if (!vpn || !network)
        return;
    qDebug() << "02";
    qDebug().nospace() << "networkCtlClient->currentPhysicalState(): " << network->currentPhysicalState();
    if (network->currentPhysicalState() != Connected)
        return;
    qDebug() << "03";
    if (vpn->isActivated()) {
        qCritical() << "Diagnostic: VPN interface changed/calibrated";
        return;
    }
    qDebug() << "04";
    // A diagnosis dropped here and not replaced must not keep the controller
    // configuring: that would hold back every automatic activation.
    const bool dropped = dropChecker();
    if (vpn->isActivating() || vpn->isDeactivating()) {
        if (dropped)
            m_configuringByConnChecker = false;
        qDebug() << "05";
        if (!m_recheckTimer) {
            m_recheckTimer = new QTimer(this);
            m_recheckTimer->setSingleShot(true);
            m_recheckTimer->setInterval(NetworkRecheckMs);
            connect(m_recheckTimer, &QTimer::timeout, this, &WelcomeCtl::onCurrentNetworkChanged);
            qDebug() << "06";
        }
        m_recheckTimer->start();
        qDebug() << "07";
        return;
    }
    qDebug() << "08";
    if (vpn->state() == Deactivated && vpn->isJustActivationStateChanged()) {
        if (dropped)
            m_configuringByConnChecker = false;
        qDebug() << "Diagnostic: Just deactivated - skip network diagnostic";
        return;
    }
    qDebug() << "09";
    if (!ensureActivationStateAsByConfig()) {
        if (dropped)
            m_configuringByConnChecker = false;
        qDebug() << "10";
        return;
    }
    const bool wasConfiguring = isConfiguringNow();
    m_configuringByConnChecker = true;
    if (!wasConfiguring)
        emit configuringNow();
    qDebug() << "11";
    if (!m_diagnosisTimer) {
        m_diagnosisTimer = new QTimer(this);
        m_diagnosisTimer->setSingleShot(true);
        m_diagnosisTimer->setInterval(DiagnosisRepeatMs);
        qDebug() << "12";
    }
    qDebug() << "13";
    m_checker = QSharedPointer<ConnectionChecker>(new ConnectionChecker(this), &QObject::deleteLater);
    if (m_diagnosisTimer->isActive()) {
        m_diagnosisTimer->stop();
        qDebug() << "14";
    }
    qDebug() << "15";
    connect(m_diagnosisTimer, &QTimer::timeout, m_checker.data(), &ConnectionChecker::start);
    connect(m_checker.data(), &ConnectionChecker::finished, this, &WelcomeCtl::onCheckerFinished,
            Qt::DirectConnection);
    m_repeatedDiagnosis = false;
    m_checker->start();
    qDebug() << "21";
}

void WelcomeCtl::onCheckerFinished(ConnectionPhysicalState state, bool httpLoginMayBeRequired)
{
    qDebug() << "16";
    qDebug().nospace() << "state: " << state;
    if (state != Connected) {
        qDebug() << "17";
        emit connectionDiagnosticError(state, httpLoginMayBeRequired, m_repeatedDiagnosis);
        return;
    }
    if (httpLoginMayBeRequired) {
        qDebug() << "18";
        emit connectionDiagnosticError(Connected, true, m_repeatedDiagnosis);
        m_repeatedDiagnosis = true;
        m_diagnosisTimer->start();
        return;
    }
    qDebug() << "19";
    m_configuringByConnChecker = false;
    configurationFinished();
    qDebug() << "20";
}
