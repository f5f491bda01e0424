// The main window's answers to the account flow and to the error reports:
// the sign-in prompts, the subscription screens and the error screens.
#include "Welcome.h"

#include "AppConstants.h"
#include "I18n.h"
#include "NetworkCtlClient.h"

#include <QCoreApplication>

namespace {

// From the third wrong password on, the window offers customer support.
constexpr int AttemptsBeforeSupport = 3;

enum SubscriptionType {
    MeteredType = 0,
    UnlimitedType = 1,
};

} // namespace

void Welcome::showConfiguring()
{
    // Without a network the account flow goes on to the disconnected screen
    // next; showing the progress first would only flicker.
    const NetworkCtlClient* network = NetworkCtlClient::inst();
    if (!network || !network->isConnectionEnabled())
        return;
    m_activationScreens = false;
    showScreen(ScreenConfiguring, {});
}

void Welcome::showEmailPrompt(QString visible_email)
{
    m_activationScreens = false;
    showScreen(ScreenEmailPrompt, {visible_email});
}

void Welcome::backToEmail()
{
    m_activationScreens = false;
    showScreen(ScreenEmailPrompt, {m_authData ? m_authData->email() : QString()});
}

void Welcome::showDevicePrompt(QString email, bool user_has_password, QString devname)
{
    m_passwordConfirmation = !user_has_password;
    m_activationScreens = false;
    showScreen(ScreenDevicePrompt, {email, devname});
}

void Welcome::showNewDevicePrompt(QString email)
{
    m_activationScreens = false;
    showScreen(ScreenNewDeviceAdding, {email});
}

void Welcome::showForgotPasswordMessage(bool success, QString statusMsg)
{
    showScreen(ScreenForgotPasswordMessage, {success, statusMsg});
}

void Welcome::showAuthenticationError(int wrongPasswordAttempt)
{
    m_activationScreens = false;
    showScreen(ScreenPasswordError,
               {tr("Incorrect email or password"), wrongPasswordAttempt >= AttemptsBeforeSupport});
}

void Welcome::showIncorrectPassword(int wrongPasswordAttempt)
{
    m_activationScreens = false;
    showScreen(ScreenPasswordError,
               {tr("Password entered is incorrect"), wrongPasswordAttempt >= AttemptsBeforeSupport});
}

void Welcome::showPasswordChangedExternally()
{
    m_activationScreens = false;
    showScreen(ScreenPasswordChangedExternally, {});
}

void Welcome::showManageDivicesForAccount(const QString& email)
{
    m_activationScreens = false;
    showScreen(ScreenManageDevicesPage, {email, QVariant::fromValue(ErrorOptions(ErrorOptionRetry))});
}

void Welcome::showSubscriptionInactive(SubscriptionPointer subscription, HttpCommandCode::CommandCode additional_code,
                                       const QString& additional_info)
{
    m_activationScreens = false;
    // What the subscription itself says comes before the service's code.
    if (subscription && subscription->isValid() && subscription->isExpired()) {
        if (subscription->type() == MeteredType)
            showDataLimitReached();
        else if (subscription->type() == UnlimitedType)
            showSubscriptionExpired();
        return;
    }
    switch (additional_code) {
    case HttpCommandCode::AccountExpired:
        showSubscriptionExpired();
        break;
    case HttpCommandCode::UserSuspended:
        localizeAndShowSubscriptionInactiveError(QStringLiteral("Your account was suspended"));
        break;
    case HttpCommandCode::UserCanceled:
        localizeAndShowSubscriptionInactiveError(QStringLiteral("Your account was canceled"));
        break;
    default:
        localizeAndShowSubscriptionInactiveError(additional_info);
        break;
    }
}

void Welcome::showDataLimitReached()
{
    showScreen(ScreenExpired,
               {false,
                tr("<html><head/><body style=\"color:white;\"><span style=\"font-size:24px;font-weight:bold;\">Your "
                   "pay as you go data limit<br>has been reached.<br></span><span style=\"font-size:14px;\">But we "
                   "make it easy to stay protected online.</span>"),
                tr("<html><head/><body style=\"color:black;\"><span style=\"font-size:13px;\">Thank you for using "
                   "%1&trade;.<br>To keep your WiFi signal encrypted and your private<br>information secure, you "
                   "should top up your account now.")
                    .arg(gApplicationNameUI),
                tr("Top up now")});
}

void Welcome::showSubscriptionExpired()
{
    showScreen(ScreenExpired,
               {false,
                tr("<html><head/><body style=\"color:white;\"><span style=\"font-size:24px;font-weight:bold;\">Your "
                   "subscription has ended.<br></span><span style=\"font-size:14px;\">But we make it easy to stay "
                   "protected online.</span>"),
                tr("<html><head/><body style=\"color:black;\"><span style=\"font-size:13px;\">Thank you for using "
                   "%1&trade;. To keep your WiFi signal<br>encrypted and your private information secure, you can "
                   "buy a<br>one-month or one-year subscription now at a great low rate.")
                    .arg(gApplicationNameUI),
                tr("Renew now")});
}

// The service's reasons are looked up as they came; the catalogue reads its
// sources as UTF-8, whatever the locale's codec is.
void Welcome::localizeAndShowSubscriptionInactiveError(const QString& reason)
{
    const QString translated = QCoreApplication::translate("VpnCtlClient", reason.toUtf8().constData());
    const QString title = QCoreApplication::translate("ErrorMessageCtl", "Inactive subscription");
    const QString text =
        QCoreApplication::translate("ErrorMessageCtl", "Secure connection cannot be activated.\n%1.").arg(translated);
    m_lastCommonErrorType = ErrorMessageCtl::SubscriptionMissing;
    showScreen(ScreenSubscriptionError, {title, text});
}

void Welcome::showDisconnected()
{
    showScreen(ScreenDisconnected, {});
}

void Welcome::showNetworkReplyError(QNetworkReply::NetworkError error, const QString& command_name)
{
    // The account flow keeps the failed command for its retry.
    if (!isVisible())
        return;
    const QString text = error == QNetworkReply::NoError
                             ? tr("Server replied with incorrect data to '%1' command.").arg(command_name)
                             : tr("Failed to communicate with server:<br> %1 (%2)")
                                   .arg(I18n::localizeNetworkReplyError(error))
                                   .arg(int(error));
    showScreen(ScreenError, {text, QVariant::fromValue(ErrorOptions(ErrorOptionRetry))});
}

void Welcome::localizeAndShowError(const QString& error_str, const QStringList& str_args, bool error_can_be_retried)
{
    QString text = QCoreApplication::translate("WelcomeCtl", error_str.toUtf8().constData());
    for (const QString& argument : str_args)
        text = text.arg(argument);
    const ErrorOptions options = error_can_be_retried ? ErrorOptions(ErrorOptionRetry) : ErrorOptions();
    showScreen(ScreenError, {text, QVariant::fromValue(options)});
}

void Welcome::handleCommonError(ErrorMessageCtl::ErrorTypes errorType, QString titleLabel, QString textLabel)
{
    m_lastCommonErrorType = errorType;
    showScreen(ScreenCommonError, {titleLabel, textLabel});
}

void Welcome::updateErrorText(ErrorMessageCtl::ErrorTypes errorType, QString titleLabel, QString textLabel)
{
    m_lastCommonErrorType = errorType;
    showScreen(UpdateErrorTextOnPreviousScreen, {titleLabel, textLabel});
}
