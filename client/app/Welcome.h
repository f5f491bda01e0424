#pragma once

#include "ActivationState.h"
#include "ClientAuthData.h"
#include "ErrorMessageCtl.h"
#include "HttpCommandCode.h"
#include "OZDialog.h"
#include "Subscription.h"

#include <QList>
#include <QNetworkReply>
#include <QPointer>
#include <QSharedPointer>
#include <QTimer>
#include <QVariant>

class QRegExpValidator;
class VpnServer;
namespace Ui {
class Welcome;
}

// The client's main window: the configuring progress, the sign-in prompts,
// the activation screens, the error screens and the expired subscription,
// one at a time. Every change of screen goes through showScreen(), which also
// decides whether the change brings the window up.
class Welcome : public OZDialog
{
    Q_OBJECT
public:
    enum ScreenType {
        ScreenNone = 0,
        ScreenConfiguring = 1,
        ScreenEmailPrompt = 2,
        ScreenDevicePrompt = 4,
        ScreenNewDeviceAdding = 5,
        ScreenConfigured = 6,
        ScreenError = 7,
        ScreenSecured = 8,
        ScreenReady = 9,
        ScreenActivating = 10,
        ScreenActivated = 11,
        ScreenForgotPasswordMessage = 12,
        ScreenPasswordError = 13,
        ScreenManageDevicesPage = 14,
        ScreenDisconnected = 15,
        ScreenExpired = 16,
        ScreenPasswordChangedExternally = 17,
        ScreenCommonError = 18,
        ScreenSubscriptionError = 19,
        UpdateErrorTextOnPreviousScreen = 20,
        ScreenDeactivating = 21,
        ScreenBackendServiceError = 22,
        SIZE = 23,
    };
    Q_ENUM(ScreenType)

    enum ErrorOption {
        ErrorOptionRetry = 1,
        ErrorOptionBuy = 4,
    };
    Q_DECLARE_FLAGS(ErrorOptions, ErrorOption)

    static Welcome* inst();

    explicit Welcome(QWidget* parent = nullptr);
    ~Welcome() override;

    void init(QSharedPointer<ClientAuthData>& authData);
    void startInitialOpening();
    void finishInitialOpening();

    void showScreen(ScreenType screen, QList<QVariant> args);
    // The pop-up rule: whether this screen change brings the window up.
    void display(ScreenType screen, QWidget* focus);
    using OZDialog::display;

    bool checkEmail(const QString& email) const;
    void setPasswordConfirmation(bool confirmation) { m_passwordConfirmation = confirmation; }
    void setPasswordValidated(bool validated) { m_passwordValidated = validated; }
    // Checks the device page's password (and its confirmation when a new
    // password is set); a rejected one is marked and gets the focus.
    bool isEnteredPasswordsValid();

    static bool isScreenSuitableForConnectionDiagnostic(ScreenType screen);

    int getPageConfigured() const;
    int getPageEmail() const;
    int getPageDevice() const;
    int getPageSecure() const;
    int getPageReady() const;
    int getPageConnecting() const;
    int getPageDeactivating() const;
    int getPageConnected() const;
    int getPageManageDevices() const;
    int getPageDisconnected() const;
    int getPagePasswordChangedExternally() const;
    int getPageErrorPassword3Times() const;
    int getPageCommonError() const;
    int getPageError() const;
    int getPageUnsecure() const;
    int getPageAddNewDevice() const;
    void changeTopLevelStackedWidgetIndex(int newIndex);
    void changeStackedWidgetIndex(int newIndex);

    Q_INVOKABLE bool isCanActivateIfJustConfigured();

signals:
    void welcomeClosed();
    void readyToActivateTriggered();
    void becomeVisible(bool visible);
    void startDeviceRegistrationSignal();
    void startConnectionDiagnostic();
    void buy();
    void forgotPassword();
    void quickStartActivated();
    void emailEntered(QString email);
    void deviceEntered(QString devId, QString password, bool passwordEnteredManually);
    void errorRetry();
    void runTest();
    void cancelActivateTriggered();
    void openDeviceManagementPage();
    void activateVpnMandatory();
    void updateSubscription();
    void disableStatusShowing();
    void enableStatusShowing();

public slots:
    void applyBrandInfo();
    void setRandomPrivacyTip();
    void onRegisterDeviceEditChange();
    void updateUi();

    void setActivationState(ActivationState state);
    void showActivation();
    void setDisconnectedState(bool is_disconnected);
    void onSubscriptionUpdate(SubscriptionPointer sub);
    void setTrafficNotification(qint64 remaining);
    void setActivatingServer(const VpnServer& vpnServer);
    void setActivatingServer(const QString& cluster);
    void setConnectingServer(const QString& name);
    void setFailedServer(const QString& server);
    void hideErrorMsg();
    void setCanDeactivate(bool canDeactivate);
    void showErrorConnectToService();
    void showErrorServiceDisconnected();

    // Answers of the account flow: the sign-in prompts and their failures.
    void showConfiguring();
    void showEmailPrompt(QString visible_email);
    void backToEmail();
    void showDevicePrompt(QString email, bool user_has_password, QString devname);
    void showNewDevicePrompt(QString email);
    void showForgotPasswordMessage(bool success, QString statusMsg);
    void showAuthenticationError(int wrongPasswordAttempt);
    void showIncorrectPassword(int wrongPasswordAttempt);

    // Why the client cannot go on: the account, the network, the service.
    void showPasswordChangedExternally();
    void showManageDivicesForAccount(const QString& email);
    void showSubscriptionInactive(SubscriptionPointer subscription, HttpCommandCode::CommandCode additional_code,
                                  const QString& additional_info);
    void showDisconnected();
    void showNetworkReplyError(QNetworkReply::NetworkError error, const QString& command_name);
    void localizeAndShowError(const QString& error_str, const QStringList& str_args, bool error_can_be_retried);
    void handleCommonError(ErrorMessageCtl::ErrorTypes errorType, QString titleLabel, QString textLabel);
    void updateErrorText(ErrorMessageCtl::ErrorTypes errorType, QString titleLabel, QString textLabel);

    void closeWindow();
    void preventAutoTransferToFinalState();
    void onCloseDelayIsEnd();
    void onPrivacyTipClose();
    void onQOZMStackedWidgetCurrentChanged(int);
    void onStackedWidgetCurrentChanged(int index);
    void progressBarAnimation();
    void onBtnBuy4TopUpNow();

private slots:
    // Bound by name when the form is built.
    void on_leEmail_textChanged(const QString& text);
    void on_btnEmail_clicked();
    void on_leDeviceId_textChanged(const QString& text);
    void on_leEmail_2_returnPressed();
    void on_leDeviceId_returnPressed();
    void on_lePassword_returnPressed();
    void on_lePasswordConfirm_returnPressed();
    void on_btnRegister_clicked();
    void on_toolShowPassword_pressed();
    void on_toolShowPassword_released();
    void on_leEnterPassword_textChanged(const QString& text);
    void on_btnRegister_2_clicked();
    void on_leEnterPassword_returnPressed();
    void on_leEmail_3_returnPressed();
    void on_btnContinue_2_clicked();
    void on_tryAgainButton_clicked();
    void on_btnErrorBack_clicked();
    void on_btnEmailCustomerSupport_clicked();
    void on_manageDevicesBtn_clicked();
    void on_btnContinue_clicked();
    void on_btnBackToEmail_2_clicked();
    void on_activateButton_clicked();
    void on_closeButton_clicked();
    void on_cancelActivationButton_clicked();
    void on_btnRunConnectivityTest_clicked();
    void on_btnRefresh_clicked();
    void on_btnExpiredNoThanks_2_clicked();
    void on_lbSeeGuide_linkActivated(const QString& link);

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool fillScreen(ScreenType screen, const QList<QVariant>& args, QWidget** focus);
    bool fillError(const QList<QVariant>& args);
    bool fillPasswordError(const QList<QVariant>& args);
    void fillConfigured(const QList<QVariant>& args);
    void fillDevicePrompt(const QList<QVariant>& args, QWidget** focus);
    void fillExpired(const QList<QVariant>& args);
    void fillManageDevices(const QList<QVariant>& args);
    void updateErrorTextOnPreviousScreen(const QString& title, const QString& text);
    void showMainPage();
    void startProgress(class QProgressBar* bar, int tickMs);
    QString passwordChangedText(const char* fallback) const;
    void showServiceError(const QString& text);
    bool isPopUpSuppressed(ScreenType screen) const;
    bool isMetered() const;
    void showDataLimitReached();
    void showSubscriptionExpired();
    void localizeAndShowSubscriptionInactiveError(const QString& reason);
    void enterDevicePage();
    void setPasswordStyle(class QLineEdit* edit, bool accepted);
    void setPasswordEcho(bool clear);

    static constexpr int CloseDelayMs = 6000;

    Ui::Welcome* m_ui;
    // Children as well as members, so that the window can be looked at from outside.
    QTimer m_closeDelayTimer;
    QTimer m_autoTransferTimer;
    bool m_passwordValidated = true;
    qint32 m_previousPageIndex = -1;
    ActivationState m_activationState = Disconnected;
    bool m_activationScreens = false;
    bool m_trafficLow = false;
    bool m_metered = false;
    ErrorMessageCtl::ErrorTypes m_lastCommonErrorType = ErrorMessageCtl::DiagNoErrorDetected;
    QTimer* m_progressTimer;
    bool m_progressAnimationArmed = true;
    QPointer<QRegExpValidator> m_emailValidator;
    bool m_passwordConfirmation = false;
    bool m_passwordChangedExternally = false;
    qint64 m_remainingTraffic = -1;
    bool m_autoTransferPrevented = false;
    QString m_lastFailureText;
    bool m_disconnected = false;
    ScreenType m_currentScreen = ScreenNone;
    QSharedPointer<ClientAuthData> m_authData;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Welcome::ErrorOptions)
Q_DECLARE_METATYPE(Welcome::ErrorOptions)
