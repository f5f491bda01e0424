#pragma once

#include "ActivationState.h"
#include "ClientAuthData.h"
#include "ErrorMessageCtl.h"
#include "OZDialog.h"
#include "Subscription.h"

#include <QList>
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
