// The main window's answers to the account flow and its error screens, on the offscreen platform.
#include "AppConstants.h"
#include "ClientAuthData.h"
#include "I18n.h"
#include "NetworkCtlClient.h"
#include "UiTestKit.h"
#include "WelcomeProbe.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCodec>

#include <functional>

using namespace WelcomeProbe;

using Call = std::function<void(Welcome&)>;
Q_DECLARE_METATYPE(Call)

namespace {

const QStringList NetworkUp{"0", "1", "1", "Wired connection", "", "0", "1", "0"};
const QStringList NetworkDown{"0", "0", "0", "No connection", "", "0", "0", "0"};

// A subscription whose answers the row chooses.
class ScriptedSubscription : public Subscription
{
public:
    ScriptedSubscription(bool valid, bool expired, int type)
        : Subscription("Plan", "plan")
        , m_valid(valid)
        , m_expired(expired)
        , m_type(type)
    {
    }
    bool isValid() const override { return m_valid; }
    bool isExpired() const override { return m_expired; }
    bool isPermanent() const override { return false; }
    int type() const override { return m_type; }

private:
    bool m_valid;
    bool m_expired;
    int m_type;
};

// The screen a person sees: the page and the one text that tells it.
QString seen(const Welcome& window, const char* label)
{
    QString page = pageOf(&window, "topLevelStackedWidget") == QLatin1String("page_main_welcome_page")
                       ? pageOf(&window, "stackedWidget")
                       : pageOf(&window, "topLevelStackedWidget");
    if (*label) {
        const QWidget* widget = part(&window, label);
        if (auto* edit = qobject_cast<const QLineEdit*>(widget))
            page += ": " + edit->text();
        else if (auto* text = qobject_cast<const QLabel*>(widget))
            page += ": " + text->text();
        else if (auto* button = qobject_cast<const QAbstractButton*>(widget))
            page += ": " + button->text();
    }
    return page;
}

const QString Ended =
    "<html><head/><body style=\"color:white;\"><span style=\"font-size:24px;font-weight:bold;\">Your subscription "
    "has ended.<br></span><span style=\"font-size:14px;\">But we make it easy to stay protected online.</span>";
const QString DataLimit =
    "<html><head/><body style=\"color:white;\"><span style=\"font-size:24px;font-weight:bold;\">Your pay as you go "
    "data limit<br>has been reached.<br></span><span style=\"font-size:14px;\">But we make it easy to stay protected "
    "online.</span>";

QString inactive(const QString& reason)
{
    return "page_commonError: Inactive subscription\nSecure connection cannot be activated.\n" + reason + ".";
}

} // namespace

class tst_WelcomeReports : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UiTestKit::prepare();
        NetworkCtlClient::initDetachedInstance(this);
    }

    // Each answer shows its screen and says whether the activation screens
    // may take the window back; the window starts on the activated screen.
    void prompts_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QStringList>("network");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("screen");
        QTest::addColumn<bool>("activationOwns");

        const QString noMatch = "page_device: The password you entered does not match our records. Please try again.";
        const auto row = [&](const char* name, Call call, const char* label, const QString& screen, bool owns,
                             const QStringList& network = NetworkUp) {
            QTest::newRow(name) << call << network << QString(label) << screen << owns;
        };
        row("configuring", [](Welcome& w) { w.showConfiguring(); }, "", "page_configured", false);
        row("configuring, network down", [](Welcome& w) { w.showConfiguring(); }, "", "page_connected", true,
            NetworkDown);
        row("e-mail prompt, first start", [](Welcome& w) { w.showEmailPrompt(""); }, "leEmail", "page_email: ", false);
        row("back to e-mail", [](Welcome& w) {
            part<QLineEdit>(&w, "leEmail")->setText("typed@example.com");
            w.backToEmail();
        }, "leEmail", "page_email: me@example.com", false);
        row("back button of the new-device page", [](Welcome& w) { part<QPushButton>(&w, "btnNoThanks_2")->click(); },
            "leEmail", "page_email: me@example.com", false);
        row("device prompt, new password", [](Welcome& w) { w.showDevicePrompt("me@example.com", false, "box"); },
            "label_12", "page_device: Create Password", false);
        row("device prompt, known password", [](Welcome& w) { w.showDevicePrompt("me@example.com", true, "box"); },
            "label_12", "page_device: Enter Password", false);
        row("new device", [](Welcome& w) { w.showNewDevicePrompt("me@example.com"); }, "", "page_connected", false);
        row("authentication error, 2", [](Welcome& w) { w.showAuthenticationError(2); }, "passwordMatchErrorLbl",
            noMatch, false);
        row("authentication error, 3", [](Welcome& w) { w.showAuthenticationError(3); }, "",
            "page_error_password_3times", false);
        row("incorrect password, 2", [](Welcome& w) { w.showIncorrectPassword(2); }, "passwordMatchErrorLbl", noMatch,
            false);
        row("incorrect password, 7", [](Welcome& w) { w.showIncorrectPassword(7); }, "", "page_error_password_3times",
            false);
        row("password reset keeps the activation screens", [](Welcome& w) { w.showForgotPasswordMessage(true, "Sent"); },
            "", "page_connected", true);
        row("password changed elsewhere", [](Welcome& w) { w.showPasswordChangedExternally(); }, "",
            "page_password_changed_externally", false);
        row("device limit", [](Welcome& w) { w.showManageDivicesForAccount("me@example.com"); },
            "lbMaximumDevicesRegisteredFor",
            "page_manage_devices: You already have the maximum number of devices registered for this account "
            "(me@example.com).",
            false);
        row("subscription inactive", [](Welcome& w) {
            w.showSubscriptionInactive({}, HttpCommandCode::UserCanceled, {});
        }, "", "page_commonError", false);
    }

    void prompts()
    {
        QFETCH(Call, call);
        QFETCH(QStringList, network);
        QFETCH(QString, label);
        QFETCH(QString, screen);
        QFETCH(bool, activationOwns);

        NetworkCtlClient::inst()->takeReport(network);
        QSharedPointer<ClientAuthData> account(new ClientAuthData);
        account->setEmail("me@example.com");
        auto window = openedWindow();
        window->init(account);
        window->setActivationState(Activated);
        call(*window);
        QCOMPARE(seen(*window, label.toLatin1().constData()), screen);
        QCOMPARE(activationScreensOwn(window.get()), activationOwns);
    }

    void checkEmail_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<bool>("validator");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << "me@example.com" << true << true;
        QTest::newRow("blanks around") << "  me@example.com \t" << true << true;
        QTest::newRow("blank inside") << "me @example.com" << true << false;
        QTest::newRow("unfinished") << "me@example" << true << false;
        QTest::newRow("empty") << "" << true << false;
        QTest::newRow("no validator yet") << "me@example.com" << false << false;
    }

    void checkEmail()
    {
        QFETCH(QString, email);
        QFETCH(bool, validator);
        QFETCH(bool, accepted);
        Welcome window;
        if (validator)
            window.finishInitialOpening();
        QCOMPARE(window.checkEmail(email), accepted);
    }

    void subscriptionInactive_data()
    {
        QTest::addColumn<SubscriptionPointer>("subscription");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("info");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("screen");

        const SubscriptionPointer none;
        const SubscriptionPointer meteredValid(new ScriptedSubscription(true, false, 0));
        const SubscriptionPointer unlimitedValid(new ScriptedSubscription(true, false, 1));
        const SubscriptionPointer meteredExpired(new ScriptedSubscription(true, true, 0));
        const SubscriptionPointer unlimitedExpired(new ScriptedSubscription(true, true, 1));
        const SubscriptionPointer otherExpired(new ScriptedSubscription(true, true, 2));
        const SubscriptionPointer unlimitedInvalid(new ScriptedSubscription(false, true, 1));
        const QString expired = "page_subscription_inactive: ";
        const int canceled = HttpCommandCode::UserCanceled;
        const int suspended = HttpCommandCode::UserSuspended;
        const int accountExpired = HttpCommandCode::AccountExpired;

        QTest::newRow("none, 712") << none << accountExpired << "" << "expiredHeaderLbl_2" << expired + Ended;
        QTest::newRow("none, 12") << none << canceled << "" << "lbCommonError" << inactive("Your account was canceled");
        QTest::newRow("none, 13") << none << suspended << "" << "lbCommonError" << inactive("Your account was suspended");
        QTest::newRow("none, other") << none << 99 << "Payment overdue" << "lbCommonError" << inactive("Payment overdue");
        QTest::newRow("none, other, no reason") << none << 99 << "" << "lbCommonError" << inactive("");
        QTest::newRow("valid metered, 12") << meteredValid << canceled << "" << "lbCommonError"
                                           << inactive("Your account was canceled");
        QTest::newRow("valid unlimited, 13") << unlimitedValid << suspended << "" << "lbCommonError"
                                             << inactive("Your account was suspended");
        QTest::newRow("valid unlimited, 712") << unlimitedValid << accountExpired << "" << "expiredHeaderLbl_2"
                                              << expired + Ended;
        QTest::newRow("not valid, 12") << unlimitedInvalid << canceled << "" << "lbCommonError"
                                       << inactive("Your account was canceled");
        QTest::newRow("expired metered, 712") << meteredExpired << accountExpired << "" << "expiredHeaderLbl_2"
                                              << expired + DataLimit;
        QTest::newRow("expired metered, 12") << meteredExpired << canceled << "" << "btnBuy_6" << expired + "Top up now";
        QTest::newRow("expired unlimited, 13") << unlimitedExpired << suspended << "" << "btnBuy_7" << expired + "Renew now";
        QTest::newRow("expired unlimited, other") << unlimitedExpired << 99 << "x" << "buyInfoLbl_2"
            << expired + "<html><head/><body style=\"color:black;\"><span style=\"font-size:13px;\">Thank you for "
                         "using " + gApplicationNameUI + "&trade;. To keep your WiFi signal<br>encrypted and your "
                         "private information secure, you can buy a<br>one-month or one-year subscription now at a "
                         "great low rate.";
        QTest::newRow("expired metered, text") << meteredExpired << 99 << "x" << "buyInfoLbl_2"
            << expired + "<html><head/><body style=\"color:black;\"><span style=\"font-size:13px;\">Thank you for "
                         "using " + gApplicationNameUI + "&trade;.<br>To keep your WiFi signal encrypted and your "
                         "private<br>information secure, you should top up your account now.";
        QTest::newRow("expired, other type, 12") << otherExpired << canceled << "" << "" << "page_email";
    }

    void subscriptionInactive()
    {
        QFETCH(SubscriptionPointer, subscription);
        QFETCH(int, code);
        QFETCH(QString, info);
        QFETCH(QString, label);
        QFETCH(QString, screen);

        auto window = openedWindow();
        window->showEmailPrompt("");
        window->showSubscriptionInactive(subscription, HttpCommandCode::CommandCode(code), info);
        QCOMPARE(seen(*window, label.toLatin1().constData()), screen);
    }

    // The locale's codec need not be UTF-8: the client clears LANG at its start.
    void reasonOutsideAscii()
    {
        QTextCodec* const before = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        const QString reason = QString::fromUtf8("Zahlung überfällig — Konto gesperrt");
        auto window = openedWindow();
        window->showSubscriptionInactive({}, HttpCommandCode::CommandCode(99), reason);
        QTextCodec::setCodecForLocale(before);
        QCOMPARE(seen(*window, "lbCommonError"), inactive(reason));
    }

    void errors_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("screen");
        QTest::addColumn<bool>("retry");

        QTest::newRow("reply error while hidden")
            << Call([](Welcome& w) { w.showNetworkReplyError(QNetworkReply::HostNotFoundError, "profile"); }) << false
            << "page_email: " << false;
        QTest::newRow("reply not usable")
            << Call([](Welcome& w) { w.showNetworkReplyError(QNetworkReply::NoError, "profile"); }) << true
            << "page_error: Server replied with incorrect data to 'profile' command." << true;
        QTest::newRow("host not found")
            << Call([](Welcome& w) { w.showNetworkReplyError(QNetworkReply::HostNotFoundError, "profile"); }) << true
            << "page_error: Failed to communicate with server:<br> "
                   + I18n::localizeNetworkReplyError(QNetworkReply::HostNotFoundError) + " (3)"
            << true;
        QTest::newRow("account flow error")
            << Call([](Welcome& w) { w.localizeAndShowError("Command %1 failed.", {"register"}, false); }) << true
            << "page_error: Command register failed." << false;
        QTest::newRow("account flow error, may retry")
            << Call([](Welcome& w) { w.localizeAndShowError("%2 before %1", {"b", "a"}, true); }) << true
            << "page_error: a before b" << true;
        QTest::newRow("empty error")
            << Call([](Welcome& w) { w.localizeAndShowError("", {}, false); }) << true << "page_error: " << false;
        QTest::newRow("common error")
            << Call([](Welcome& w) { w.handleCommonError(ErrorMessageCtl::VpnConnectionEpicFail, "Title", "Text"); })
            << true << "page_commonError: Title\nText" << false;
    }

    void errors()
    {
        QFETCH(Call, call);
        QFETCH(bool, visible);
        QFETCH(QString, screen);
        QFETCH(bool, retry);

        auto window = openedWindow();
        window->showEmailPrompt("");
        window->setVisible(visible);
        call(*window);
        const QString page = pageOf(window.get(), "stackedWidget");
        const char* label = page == "page_error" ? "lbError" : page == "page_commonError" ? "lbCommonError" : "leEmail";
        QCOMPARE(seen(*window, label), screen);
        QCOMPARE(part(window.get(), "tryAgainButton")->isVisibleTo(window.get()), retry);
    }

    // The update of a text names the error's type even where no text changes;
    // the type decides whether an Activating report replaces the error page.
    void updateErrorTextOnReadyPage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("activationOwns");
        QTest::newRow("connection failed") << int(ErrorMessageCtl::VpnConnectionEpicFail) << true;
        QTest::newRow("subscription missing") << int(ErrorMessageCtl::SubscriptionMissing) << false;
    }

    void updateErrorTextOnReadyPage()
    {
        QFETCH(int, type);
        QFETCH(bool, activationOwns);
        auto window = openedWindow();
        window->showScreen(Welcome::ScreenReady, {});
        const QString commonError = part<QLabel>(window.get(), "lbCommonError")->text();
        const QString error = part<QLabel>(window.get(), "lbError")->text();
        window->updateErrorText(ErrorMessageCtl::ErrorTypes(type), "Title", "Text");
        QCOMPARE(pageOf(window.get(), "stackedWidget"), QString("page_ready"));
        QCOMPARE(part<QLabel>(window.get(), "lbCommonError")->text(), commonError);
        QCOMPARE(part<QLabel>(window.get(), "lbError")->text(), error);
        window->showScreen(Welcome::ScreenCommonError, {"Title", "Text"});
        QCOMPARE(activationScreensOwn(window.get()), activationOwns);
    }
};

QTEST_MAIN(tst_WelcomeReports)
#include "tst_WelcomeReports.moc"
