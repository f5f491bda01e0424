#pragma once

#include <ActivationState.h>
#include <ConnectionPhysicalState.h>
#include <HttpCommandCode.h>
#include <Subscription.h>

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

class ClientAuthData;
class ConnectionChecker;
class EncryptPasswordCommand;
class GetSerialCommand;
class HttpAccess;
class HttpCommand;
class ProfileCommand;
class QTimer;
class RegisterCommand;
class RenameDeviceCommand;
class VerifyPasswordCommand;

// The account and device flow, one per client, on the application's thread. It
// brings the account to the configured state (a known e-mail address, the
// service's form of the password, this computer registered as a device with its
// VPN serial, the subscription and the device counts) through a chain of service
// commands, and tells the windows what to show next only through its signals.
// Its second duty is automatic activation: by the user's activate option and the
// security of the current network it asks the VPN session to go up or down, and
// it diagnoses a network the computer moves to while the VPN is down.
class WelcomeCtl : public QObject
{
    Q_OBJECT
public:
    // A network change while the VPN is on its way up or down is looked at again
    // this long after the last one.
    static constexpr int NetworkRecheckMs = 1000;
    // How often a log-in page in the way (a captive portal) is checked again.
    static constexpr int DiagnosisRepeatMs = 10000;

    explicit WelcomeCtl(QObject* parent = nullptr);
    ~WelcomeCtl() override;

    void init(QSharedPointer<HttpAccess>& access, QSharedPointer<ClientAuthData>& authData);
    // method: a slot or invokable of receiver without arguments that returns bool;
    // false holds back the activation that would follow a configuration.
    void setActivatePromptCallback(QObject* receiver, const char* method);

    // Ends a configuration: the callback, the automatic activation and
    // configured(), or, while still configuring, the retries.
    void configurationFinished();
    // The common judgement of a finished command: true when the flow may go on.
    bool handleCommandResult(HttpCommand* cmd, bool exchangeOk, bool deleteLater);

    void startGetSerial();
    void startEncryptPassword(const QString& password);
    void startRegistration();
    void startPasswordValidation();
    void startRenamingDevice();

    // Asks for activation or deactivation so that the VPN matches the activate
    // option; true when nothing had to be done.
    bool ensureActivationStateAsByConfig();
    bool isShouldBeActivated() const;
    bool isAlreadyActivate() const;
    bool isConfiguringNow() const;

signals:
    void configured();
    void resetPassword();
    void activateTriggered();
    void deactivateTriggered();
    void autoActivateAllowTriggered();
    void configuringNow();
    void needEmailPrompt(QString email);
    void needDevicePrompt(QString email, bool hasPassword, QString deviceName);
    void needNewDevicePrompt(QString email);
    void readyShowActivation();
    void passwordChangedExternaly();
    void deviceRegistered();
    void deviceLimitReachedFor(QString email);
    void subscriptionInactive(SubscriptionPointer subscription, HttpCommandCode::CommandCode code, QString text);
    void authenticationError(int count);
    void incorrectPassword(int count);
    void networkReplyError(QNetworkReply::NetworkError error, QString commandName);
    void disconnectedState(bool disconnected);
    void errorOccured(QString text, QStringList args, bool flag);
    void connectionDiagnosticError(ConnectionPhysicalState state, bool httpLoginMayBeRequired, bool repeated);

public slots:
    // The first step of every chain; a subclass may extend it.
    virtual void startProfile();
    void start();
    void showRegistration();
    void onWelcomeEmail(const QString& email);
    void onWelcomeDevice(const QString& deviceName, const QString& password, bool countAttempt);
    void onWelcomeResetPassword();
    void onWelcomeRetry();
    void onAuthenticationFailure();
    void allowHandleCommandErrors(bool allow);
    void setActivationState(ActivationState state);
    void configuringNowByCalls();
    void callsConfigurationFinished();

    void activateIfMustByConfig();
    void requestActivationOnConfigured();
    void configureAndActivateIfMustByConfig();
    void onDeactivateByManualClick();
    void onLocalConnectionIsChanged();
    void onCurrentNetworkChanged();

protected:
    QSharedPointer<ClientAuthData> authData() const { return m_authData; }
    QSharedPointer<HttpAccess> access() const { return m_access; }

private:
    void onProfileCompleted(bool exchangeOk);
    void applyProfile(const ProfileCommand& cmd);
    void onRegistrationCompleted(bool exchangeOk);
    void onGetSerialCompleted(bool exchangeOk);
    void onPasswordValidationCompleted(bool exchangeOk);
    void onEncryptPasswordCompleted(bool exchangeOk);
    void onRenamingDeviceCompleted(bool exchangeOk);
    void onVerifyPasswordCompleted(bool exchangeOk);
    void onCheckerFinished(ConnectionPhysicalState state, bool httpLoginMayBeRequired);

    // The pattern of every step: the command of that kind before it is let go,
    // the new one is made, followed and sent.
    template <typename Command>
    Command* replaceCommand(QPointer<Command>& member, const ClientAuthData& data,
                            void (WelcomeCtl::*completion)(bool));
    // Lets a command go without its completion reaching this controller: it may
    // be the one whose signal is being delivered right now.
    void release(HttpCommand* cmd);
    void addToRetryList(HttpCommand* cmd);
    // The callback's answer; a call that cannot be made counts as a yes.
    bool activationAllowedByCallback();
    bool mustBeActive() const;
    bool isBackendRunning() const;
    // Lets the current connection checker go; false when there was none.
    bool dropChecker();

    QSharedPointer<ClientAuthData> m_authData;
    QSharedPointer<HttpAccess> m_access;

    QPointer<ProfileCommand> m_profileCommand;
    QPointer<RegisterCommand> m_registerCommand;
    QPointer<GetSerialCommand> m_getSerialCommand;
    QPointer<EncryptPasswordCommand> m_encryptPasswordCommand;
    QPointer<RenameDeviceCommand> m_renameDeviceCommand;
    QPointer<VerifyPasswordCommand> m_verifyPasswordCommand;

    QList<QPointer<HttpCommand>> m_retryList;

    bool m_allowErrors = true;
    bool m_verifyOnAuthFailure = false;
    QString m_previousDeviceName;
    ActivationState m_activationState = Deactivated;
    int m_wrongPasswordCount = 0;
    bool m_countAttempt = false;
    bool m_networkDown = false;
    // The last network this controller was told of was enabled.
    bool m_networkSeenUp = false;
    bool m_configuringByCalls = true;
    bool m_configuringByConnChecker = false;
    bool m_manualOff = false;

    QPointer<QObject> m_callbackReceiver;
    QByteArray m_callbackMethod;

    QTimer* m_recheckTimer = nullptr;
    QTimer* m_diagnosisTimer = nullptr;
    QSharedPointer<ConnectionChecker> m_checker;
    bool m_repeatedDiagnosis = false;
};
