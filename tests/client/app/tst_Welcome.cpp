// The main window's screens, pop-up rule and activation screens, on the offscreen platform.
#include "Config.h"
#include "MeteredSubscription.h"
#include "OzmApplication.h"
#include "SharedTexts.h"
#include "SystemFunctions.h"
#include "UiTestKit.h"
#include "UnlimitedSubscription.h"
#include "VpnServer.h"
#include "Welcome.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTranslator>

#include <memory>

namespace {

// Counts how often a screen change brought the window up.
class CountingWelcome : public Welcome
{
public:
    int broughtUp = 0;
    using Welcome::display;
    void display() override
    {
        ++broughtUp;
        Welcome::display();
    }
};

// Settings whose first-run answer the test chooses.
class ScriptedConfig : public Config
{
public:
    static ScriptedConfig* install()
    {
        auto* config = new ScriptedConfig;
        instance_ = config;
        return config;
    }
    bool isFirstRun() const override { return firstRun; }
    bool firstRun = false;
};

std::unique_ptr<CountingWelcome> openedWindow(bool visible = true)
{
    auto window = std::make_unique<CountingWelcome>();
    window->startInitialOpening();
    window->finishInitialOpening();
    if (visible)
        window->show();
    return window;
}

template <typename T = QWidget>
T* part(QWidget* window, const char* name)
{
    T* widget = window->findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

QString pageOf(QWidget* window, const char* stack)
{
    return part<QStackedWidget>(window, stack)->currentWidget()->objectName();
}

QString runningTimer(QWidget* window)
{
    QStringList running;
    for (const char* name : {"closeDelayTimer", "autoTransferTimer"}) {
        const QTimer* timer = window->findChild<QTimer*>(QLatin1String(name));
        if (timer->isActive())
            running << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(timer->interval());
    }
    return running.join(", ");
}

QStringList visibleOfInterest(QWidget* window)
{
    QStringList visible;
    for (const char* name : {"tryAgainButton", "btnBuy", "btnContinue", "widget_no_thanks", "trafficSw"})
        if (part(window, name)->isVisible())
            visible << QLatin1String(name);
    return visible;
}

QList<QVariant> typicalArgs(Welcome::ScreenType screen)
{
    switch (screen) {
    case Welcome::ScreenError:
        return {"Boom"};
    case Welcome::ScreenExpired:
        return {false, "Head", "Info", "Buy it"};
    case Welcome::ScreenCommonError:
    case Welcome::ScreenSubscriptionError:
    case Welcome::ScreenBackendServiceError:
        return {"Title", "Text"};
    default:
        return {};
    }
}

const QVariant Retry = QVariant::fromValue(Welcome::ErrorOptions(Welcome::ErrorOptionRetry));
const QVariant RetryBuy = QVariant::fromValue(Welcome::ErrorOptions(Welcome::ErrorOptionRetry | Welcome::ErrorOptionBuy));
const QString NoMatch = "The password you entered does not match our records. Please try again.";

// Every translated text reads «source», so a re-applied text is told from a kept one.
class MarkingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        return QLatin1String(context) == QLatin1String("Welcome") && *source
                   ? QStringLiteral("«%1»").arg(QString::fromUtf8(source))
                   : QString();
    }
};

// The form's texts as the language packs know them.
const std::pair<const char*, const char*> Texts[] = {
    {"labelEmail", "Email"},
    {"btnEmail", "Continue"},
    {"btnRegister", "Continue"},
    {"btnContinue", "Continue"},
    {"btnRegister_2", "Continue"},
    {"btnContinue_3", "Continue"},
    {"btnNoThanks_2", "No, thanks"},
    {"btnContinue_2", "Yes, continue"},
    {"passwordMatchErrorLbl", "The password you entered does not match our records. Please try again."},
    {"label_12", "Create Password"},
    {"labelPasswordConfirm", "Re-enter Password"},
    {"forgotPasswordBtn", "Forgot your password?"},
    {"forgotPasswordBtn_2", "Forgot your password?"},
    {"toolShowPassword", "..."},
    {"label_11", "Name this device"},
    {"btnBackToEmail", "Back"},
    {"btnBackToEmail_2", "Back"},
    {"btnBackToEmail_3", "Back"},
    {"btnErrorBack", "Back"},
    {"manageDevicesBtn", "Manage Your Devices"},
    {"label_18", "or enter a different email by using the \"Back\" button."},
    {"lbPasswdChngdExternally", "Your password was changed."},
    {"passwordMatchErrorLbl_3", "The password you entered does not match our records. Please contact customer support."},
    {"btnEmailCustomerSupport", "Email Customer Support"},
    {"label_22", "All emails will be answered within 60 minutes."},
    {"label_2", "<p style=\" font-size: 62px; font-family: KievitComp-Bold;\">Configured</p>"},
    {"titleLabel_3", "Configuring Ozmira<br>Please wait"},
    {"closeButton", "Close"},
    {"btnCloseCommonError", "Close"},
    {"activateButton", "Activate"},
    {"label_5", "<span style=\" font-size: 62px; font-family: KievitComp-Bold;\">Secure</span>"},
    {"label_4", "Your current internet connection is secure:"},
    {"lbConnType", "WPA/2 or wired connection"},
    {"lbNoSecureIsNeeded", "No additional encryption is needed"},
    {"label_6", "<span style=\" font-size: 62px; font-family: KievitComp-Bold;\">Unsecure</span>"},
    {"label_15", "This connection is not encrypted"},
    {"label_31", "<p style=\" font-size: 62px; font-family: KievitComp-Bold; line-height: 90%;\">Activating</p>"},
    {"cancelActivationButton", "Cancel"},
    {"label_7", "<p style=\" font-size: 62px; font-family: KievitComp-Bold; line-height: 85%;\">Encrypted</p>\n"
                "<p style=\" font-size: 16px; font-family: KievitComp-Bold;\">Your communication is now encrypted and "
                "secure.</p>"},
    {"label_9", "Your device is not connected to the Internet."},
    {"label_20", "<p style=\" font-size: 62px; font-family: KievitComp-Bold;\">Disconnected</p>\n<p style=\" "
                 "font-size: 16px; font-family: KievitComp-Bold;\">To connect one of our secure servers,<br>you must "
                 "first connect your device to an access point<br>or Internet-enabled network.</p>"},
    {"btnRunConnectivityTest", "Run Connectivity Test"},
    {"btnBuy", "Buy"},
    {"tryAgainButton", "Try Again"},
    {"label_7_1", "Deactivating"},
    {"lbRefreshText", "Refresh Data Amount"},
    {"btnBuy_4", "Top up now"},
    {"btnActivate_2", "No thanks"},
    {"btnExpiredNoThanks_2", "No thanks"},
    {"btnCloseExpired", "No thanks"},
    {"btnBuy_6", "Buy now"},
    {"btnBuy_7", "Buy now"},
    {"expiredFooterLbl_2", "All public WiFi hotspots are unsecured. Use Ozmira&trade; VPN whenever you connect to WiFi "
                           "in coffee shops, parks, hotels and air ports. Ozmira&trade; encrypts everything you do "
                           "online, protecting your privacy and security."},
    {"titleLabelTT", "<html><head/><body><p><span style=\" font-family:'KievitComp-Medi'; color:#202020;\">To get "
                     "started, enter your email address below and click </span><span style=\" "
                     "font-family:'KievitComp-Bold'; color:#202020;\">Continue.</span></p></body></html>"},
    {"label_3", "<html><head/><body><p align=\"center\"><span style=\" font-size:16px;\">This email is already "
                "associated with an <br/>existing account. Would you like to add this<br/>new device to your "
                "account?</span></p></body></html>"},
    {"lbRegisterYourDevice", "<html><head/><body><p align=\"center\"><span style=\" font-size:17px; font-family: "
                             "KievitComp-Bold; color: #202020;\">Register your device.</span></p></body></html>"},
    {"label_19", "<html><head/><body><p align=\"center\"><span style=\" font-size: 17px; font-family: "
                 "KievitComp-Bold; color: #202020;\">Please continue with the registration "
                 "process.</span></p></body></html>"},
    {"label_13", "<html><head/><body><p align=\"center\"><span style=\" font-size: 17px; font-family: "
                 "KievitComp-Bold; color: #202020;\">Enter new password:</span></p></body></html>"},
    {"lbGetStarted", "<html><head/><body><p align=\"center\"><span style=\" font-size: 17px; font-family: "
                     "KievitComp-Bold; color: #202020;\">To get started, click activate below.</span></p></body></html>"},
};

} // namespace

class tst_Welcome : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UiTestKit::prepare();
        m_config = ScriptedConfig::install();
    }
    void cleanupTestCase() { Config::drop(); }
    void init() { OzmApplication::notBlinkVudevo_ = false; }

    // The display counter lives as long as the process: this test runs first.
    void popUpRule()
    {
        CountingWelcome window;
        window.startInitialOpening();
        QVERIFY(window.isVisible());
        QCOMPARE(window.broughtUp, 1);
        window.finishInitialOpening();

        window.close();
        window.showScreen(Welcome::ScreenReady, {});
        window.showScreen(Welcome::ScreenSecured, {});
        QVERIFY(!window.isVisible());
        QCOMPARE(pageOf(&window, "stackedWidget"), QString("page_secure"));

        window.showScreen(Welcome::ScreenCommonError, {"Title", "Text"});
        QVERIFY(window.isVisible());
        QCOMPARE(window.broughtUp, 2);
        window.showScreen(Welcome::ScreenCommonError, {"Title", "Text"});
        QCOMPARE(window.broughtUp, 2);
        window.showScreen(Welcome::ScreenExpired, typicalArgs(Welcome::ScreenExpired));
        window.showScreen(Welcome::ScreenBackendServiceError, {"Title", "Text"});
        window.showScreen(Welcome::ScreenSecured, {});
        QCOMPARE(window.broughtUp, 5);

        // Six counted so far; the counter's top is 32767, and it goes on at 1.
        for (int counted = 6; counted < 32767; ++counted)
            window.display(Welcome::ScreenCommonError, nullptr);
        window.hide();
        window.display(Welcome::ScreenReady, nullptr);
        QVERIFY(!window.isVisible());
        window.display(Welcome::ScreenCommonError, nullptr);
        QVERIFY(window.isVisible());
        window.hide();
        window.display(Welcome::ScreenReady, nullptr);
        QVERIFY(!window.isVisible());
    }

    void screens_data()
    {
        QTest::addColumn<int>("screen");
        QTest::addColumn<QList<QVariant>>("args");
        QTest::addColumn<qint64>("traffic");
        QTest::addColumn<QString>("pages");
        QTest::addColumn<QStringList>("visible");
        QTest::addColumn<QVariantMap>("texts");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("timer");
        QTest::addColumn<bool>("diagnostic");

        const QString main = "page_main_welcome_page/";
        const QString close = "closeDelayTimer 6000";
        const QStringList none;
        QTest::newRow("configuring") << int(Welcome::ScreenConfiguring) << QList<QVariant>{} << -1LL
                                     << main + "page_configured/page_7" << none
                                     << QVariantMap{{"titleLabel_3", "Configuring Ozmira<br>Please wait"}} << ""
                                     << "" << false;
        QTest::newRow("e-mail prompt") << int(Welcome::ScreenEmailPrompt) << QList<QVariant>{"me@example.com"} << -1LL
                                       << main + "page_email/page_7" << none
                                       << QVariantMap{{"leEmail", "me@example.com"}} << "leEmail" << "" << false;
        QTest::newRow("device prompt") << int(Welcome::ScreenDevicePrompt) << QList<QVariant>{"me@example.com", "box"}
                                       << -1LL << main + "page_device/page_7" << none
                                       << QVariantMap{{"leEmail_2", "me@example.com"}, {"leDeviceId", "box"}}
                                       << "lePassword" << "" << false;
        QTest::newRow("device prompt, no name") << int(Welcome::ScreenDevicePrompt) << QList<QVariant>{"me@example.com"} << -1LL
                                                << main + "page_device/page_7" << none
                                                << QVariantMap{{"leDeviceId", ozm::getComputerName()}} << "lePassword"
                                                << "" << false;
        QTest::newRow("new device") << int(Welcome::ScreenNewDeviceAdding) << QList<QVariant>{} << -1LL
                                    << main + "page_configured/page_7" << none << QVariantMap{} << "" << "" << false;
        QTest::newRow("configured, no figure") << int(Welcome::ScreenConfigured) << QList<QVariant>{} << -1LL
                                               << main + "page_configured/page_6" << none << QVariantMap{} << ""
                                               << close << false;
        QTest::newRow("configured, may not close") << int(Welcome::ScreenConfigured) << QList<QVariant>{false} << -1LL
                                                   << main + "page_configured/page_6" << none << QVariantMap{} << ""
                                                   << "" << false;
        QTest::newRow("configured, low data")
            << int(Welcome::ScreenConfigured) << QList<QVariant>{true, true} << 499999999LL
            << main + "page_configured/page_6" << QStringList{"widget_no_thanks", "trafficSw"} << QVariantMap{} << ""
            << "" << false;
        QTest::newRow("configured, enough data")
            << int(Welcome::ScreenConfigured) << QList<QVariant>{true, true} << 500000000LL
            << main + "page_configured/page_6" << QStringList{"trafficSw"} << QVariantMap{} << ""
            << "autoTransferTimer 4000" << false;
        QTest::newRow("error, retry") << int(Welcome::ScreenError) << QList<QVariant>{"Boom", Retry} << -1LL
                                      << main + "page_error/page_7" << QStringList{"tryAgainButton"}
                                      << QVariantMap{{"lbError", "Boom"}} << "" << "" << true;
        QTest::newRow("error, retry and buy") << int(Welcome::ScreenError) << QList<QVariant>{"Boom", RetryBuy} << -1LL
                                              << main + "page_error/page_7" << QStringList{"tryAgainButton", "btnBuy"}
                                              << QVariantMap{{"lbError", "Boom"}} << "" << "" << true;
        QTest::newRow("error, options as a number") << int(Welcome::ScreenError) << QList<QVariant>{"Boom", 4} << -1LL
                                                    << main + "page_error/page_7" << QStringList{"btnBuy"}
                                                    << QVariantMap{} << "" << "" << true;
        QTest::newRow("error, options not a number") << int(Welcome::ScreenError) << QList<QVariant>{"Boom", "x"}
                                                     << -1LL << main + "page_error/page_7" << none << QVariantMap{}
                                                     << "" << "" << true;
        QTest::newRow("error, wrong password")
            << int(Welcome::ScreenError) << QList<QVariant>{"Password entered is incorrect"} << -1LL
            << main + "page_configured/page_7" << none << QVariantMap{{"passwordMatchErrorLbl", NoMatch}} << "" << ""
            << false;
        QTest::newRow("secured") << int(Welcome::ScreenSecured) << QList<QVariant>{} << -1LL
                                 << main + "page_secure/page_7" << none << QVariantMap{} << "" << close << false;
        QTest::newRow("ready") << int(Welcome::ScreenReady) << QList<QVariant>{} << -1LL << main + "page_ready/page_7"
                               << none << QVariantMap{} << "" << "" << false;
        QTest::newRow("activating") << int(Welcome::ScreenActivating) << QList<QVariant>{} << -1LL
                                    << main + "page_connecting/page_7" << none << QVariantMap{} << "" << "" << false;
        QTest::newRow("activated") << int(Welcome::ScreenActivated) << QList<QVariant>{} << -1LL
                                   << main + "page_connected/page_7" << none << QVariantMap{} << "" << close << false;
        QTest::newRow("activated, stays open") << int(Welcome::ScreenActivated) << QList<QVariant>{false} << -1LL
                                               << main + "page_connected/page_7" << none << QVariantMap{} << "" << ""
                                               << false;
        QTest::newRow("forgot password message")
            << int(Welcome::ScreenForgotPasswordMessage) << QList<QVariant>{true, "Mail sent"} << -1LL
            << main + "page_configured/page_7" << none << QVariantMap{{"lbPasswdChngdExternally", "Mail sent"}}
            << "leEnterPassword" << "" << false;
        QTest::newRow("wrong password") << int(Welcome::ScreenPasswordError) << QList<QVariant>{"x", false} << -1LL
                                        << main + "page_device/page_7" << none
                                        << QVariantMap{{"passwordMatchErrorLbl", NoMatch}, {"lePassword", ""}} << ""
                                        << "" << false;
        QTest::newRow("wrong password thrice") << int(Welcome::ScreenPasswordError) << QList<QVariant>{"x", true}
                                               << -1LL << main + "page_error_password_3times/page_7" << none
                                               << QVariantMap{} << "" << "" << false;
        QTest::newRow("device limit")
            << int(Welcome::ScreenManageDevicesPage) << QList<QVariant>{"me@example.com", Retry} << -1LL
            << main + "page_manage_devices/page_7" << QStringList{"btnContinue"}
            << QVariantMap{{"lbMaximumDevicesRegisteredFor",
                            "You already have the maximum number of devices registered for this account "
                            "(me@example.com)."}}
            << "" << "" << false;
        QTest::newRow("disconnected") << int(Welcome::ScreenDisconnected) << QList<QVariant>{} << -1LL
                                      << main + "page_disconnected/page_7" << none
                                      << QVariantMap{{"label_9", "Your device is not connected to the Internet."}}
                                      << "" << "" << true;
        QTest::newRow("expired") << int(Welcome::ScreenExpired) << typicalArgs(Welcome::ScreenExpired) << -1LL
                                 << "page_subscription_inactive/page_configured/page_7" << none
                                 << QVariantMap{{"expiredHeaderLbl_2", "Head"},
                                                {"buyInfoLbl_2", "Info"},
                                                {"btnBuy_6", "Buy it"},
                                                {"btnBuy_7", "Buy it"},
                                                {"expiredFooterLbl_2", WelcomeExpiredFooter()},
                                                {"lbSeeGuide", WelcomeSeeGuide()}}
                                 << "" << "" << false;
        QTest::newRow("password changed elsewhere")
            << int(Welcome::ScreenPasswordChangedExternally) << QList<QVariant>{} << -1LL
            << main + "page_password_changed_externally/page_7" << none
            << QVariantMap{{"lbPasswdChngdExternally", "Your password was changed."}} << "leEnterPassword" << ""
            << false;
        QTest::newRow("common error") << int(Welcome::ScreenCommonError) << QList<QVariant>{"Title", "Text"} << -1LL
                                      << main + "page_commonError/page_7" << none
                                      << QVariantMap{{"lbCommonError", "Title\nText"}} << "" << "" << true;
        QTest::newRow("common error, no title") << int(Welcome::ScreenCommonError) << QList<QVariant>{"", "Text"}
                                                << -1LL << main + "page_commonError/page_7" << none
                                                << QVariantMap{{"lbCommonError", "Text"}} << "" << "" << true;
        QTest::newRow("subscription error") << int(Welcome::ScreenSubscriptionError) << QList<QVariant>{"", "Text"}
                                            << -1LL << main + "page_commonError/page_7" << none
                                            << QVariantMap{{"lbCommonError", "Text"}} << "" << "" << false;
        QTest::newRow("update text, configuring") << int(Welcome::UpdateErrorTextOnPreviousScreen)
                                                  << QList<QVariant>{"Title", "Text"} << -1LL
                                                  << main + "page_configured/page_7" << none << QVariantMap{} << ""
                                                  << "" << false;
        QTest::newRow("deactivating") << int(Welcome::ScreenDeactivating) << QList<QVariant>{} << -1LL
                                      << main + "page_deactivating/page_7" << none << QVariantMap{} << "" << ""
                                      << false;
        QTest::newRow("service missing") << int(Welcome::ScreenBackendServiceError) << QList<QVariant>{"", "Text"}
                                         << -1LL << main + "page_commonError/page_7" << none
                                         << QVariantMap{{"lbCommonError", "\nText"}} << "" << "" << false;
    }

    void screens()
    {
        QFETCH(int, screen);
        QFETCH(QList<QVariant>, args);
        QFETCH(qint64, traffic);
        QFETCH(QString, pages);
        QFETCH(QStringList, visible);
        QFETCH(QVariantMap, texts);
        QFETCH(QString, focus);
        QFETCH(QString, timer);
        QFETCH(bool, diagnostic);

        const auto window = openedWindow();
        if (traffic >= 0)
            window->setTrafficNotification(traffic);
        QSignalSpy diagnostics(window.get(), &Welcome::startConnectionDiagnostic);
        window->showScreen(Welcome::ScreenType(screen), args);

        const QString shown = QStringList{pageOf(window.get(), "topLevelStackedWidget"),
                                          pageOf(window.get(), "stackedWidget"), pageOf(window.get(), "swConfigured")}
                                  .join('/');
        QCOMPARE(shown, pages);
        QCOMPARE(visibleOfInterest(window.get()), visible);
        for (auto it = texts.cbegin(); it != texts.cend(); ++it)
            QCOMPARE(part(window.get(), qPrintable(it.key()))->property("text").toString(), it.value().toString());
        if (!focus.isEmpty())
            QCOMPARE(window->focusWidget()->objectName(), focus);
        QCOMPARE(runningTimer(window.get()), timer);
        QCOMPARE(diagnostics.count(), diagnostic ? 1 : 0);
    }

    void entryRules_data()
    {
        QTest::addColumn<bool>("onEmailPrompt");
        QTest::addColumn<bool>("disconnected");
        QTest::addColumn<int>("screen");
        QTest::addColumn<QList<QVariant>>("args");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");

        QTest::newRow("disconnected ignored on the e-mail prompt")
            << true << false << int(Welcome::ScreenDisconnected) << QList<QVariant>{} << "page_email" << "" << "";
        QTest::newRow("ready replaced while disconnected") << true << true << int(Welcome::ScreenReady)
                                                           << QList<QVariant>{} << "page_disconnected" << "" << "";
        QTest::newRow("error replaced while disconnected")
            << false << true << int(Welcome::ScreenError) << QList<QVariant>{"Boom"} << "page_disconnected"
            << "lbError" << "[error]";
        QTest::newRow("service error while disconnected")
            << false << true << int(Welcome::ScreenBackendServiceError) << QList<QVariant>{"Title", "Text"}
            << "page_commonError" << "lbCommonError" << "Title\nText";
        QTest::newRow("text update while disconnected")
            << false << true << int(Welcome::UpdateErrorTextOnPreviousScreen) << QList<QVariant>{"Offline", "x"}
            << "page_disconnected" << "label_9" << "Offline";
    }

    void entryRules()
    {
        QFETCH(bool, onEmailPrompt);
        QFETCH(bool, disconnected);
        QFETCH(int, screen);
        QFETCH(QList<QVariant>, args);
        QFETCH(QString, page);
        QFETCH(QString, label);
        QFETCH(QString, text);

        const auto window = openedWindow();
        if (onEmailPrompt)
            window->showScreen(Welcome::ScreenEmailPrompt, {});
        window->setDisconnectedState(disconnected);
        window->showScreen(Welcome::ScreenType(screen), args);
        QCOMPARE(pageOf(window.get(), "stackedWidget"), page);
        if (!label.isEmpty())
            QCOMPARE(part<QLabel>(window.get(), qPrintable(label))->text(), text);
    }

    void suppressedPopUps()
    {
        const auto window = openedWindow();
        OzmApplication::notBlinkVudevo_ = true;
        const int before = window->broughtUp;
        window->showScreen(Welcome::ScreenSecured, {});
        QCOMPARE(pageOf(window.get(), "stackedWidget"), QString("page_secure"));
        QCOMPARE(runningTimer(window.get()), QString("closeDelayTimer 6000"));
        QCOMPARE(window->broughtUp, before);
        window->showScreen(Welcome::ScreenEmailPrompt, {});
        QCOMPARE(window->broughtUp, before + 1);
    }

    void activationState_data()
    {
        QTest::addColumn<bool>("flag");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("bannerShown");

        QTest::newRow("disconnected, no flag") << false << int(Welcome::ScreenEmailPrompt) << 0 << "page_email" << true;
        QTest::newRow("disconnected, flag") << true << int(Welcome::ScreenActivated) << 0 << "page_disconnected"
                                            << false;
        QTest::newRow("secure after activating") << true << int(Welcome::ScreenActivating) << 1 << "page_secure"
                                                 << false;
        QTest::newRow("secure on deactivating") << true << int(Welcome::ScreenDeactivating) << 1 << "page_secure"
                                                << false;
        QTest::newRow("secure on the e-mail prompt") << false << int(Welcome::ScreenEmailPrompt) << 1 << "page_email"
                                                     << true;
        QTest::newRow("secure on an error, flag") << true << int(Welcome::ScreenError) << 1 << "page_error" << false;
        QTest::newRow("deactivated after activated") << true << int(Welcome::ScreenActivated) << 2 << "page_ready"
                                                     << false;
        QTest::newRow("activating on configured") << false << int(Welcome::ScreenConfigured) << 3 << "page_configured"
                                                  << true;
        // Entering a new page hides the banner as well.
        QTest::newRow("activating on ready") << false << int(Welcome::ScreenReady) << 3 << "page_connecting" << false;
        QTest::newRow("activating on the e-mail prompt")
            << false << int(Welcome::ScreenEmailPrompt) << 3 << "page_email" << true;
        QTest::newRow("activating on other common error")
            << false << int(Welcome::ScreenCommonError) << 3 << "page_commonError" << true;
        QTest::newRow("activated on the e-mail prompt") << false << int(Welcome::ScreenEmailPrompt) << 4
                                                        << "page_connected" << false;
        QTest::newRow("deactivating on secure") << true << int(Welcome::ScreenSecured) << 5 << "page_secure" << true;
        QTest::newRow("deactivating on activated") << true << int(Welcome::ScreenActivated) << 5
                                                   << "page_deactivating" << false;
        QTest::newRow("state 6") << true << int(Welcome::ScreenActivated) << 6 << "page_connected" << true;
    }

    void activationState()
    {
        QFETCH(bool, flag);
        QFETCH(int, before);
        QFETCH(int, state);
        QFETCH(QString, page);
        QFETCH(bool, bannerShown);

        const auto window = openedWindow();
        if (flag)
            window->setActivationState(Activated);
        const auto screen = Welcome::ScreenType(before);
        window->showScreen(screen, typicalArgs(screen));
        window->setFailedServer("Frankfurt");
        QVERIFY(part(window.get(), "currentErrorWidget")->isVisible());
        window->setActivationState(ActivationState(state));
        QCOMPARE(pageOf(window.get(), "stackedWidget"), page);
        QCOMPARE(part(window.get(), "currentErrorWidget")->isVisible(), bannerShown);
    }

    void hiddenWindowShowsStateLater()
    {
        const auto window = openedWindow(false);
        window->showScreen(Welcome::ScreenEmailPrompt, {});
        window->hide();
        window->setActivationState(StateSecure);
        QCOMPARE(pageOf(window.get(), "stackedWidget"), QString("page_email"));
        window->showActivation();
        QCOMPARE(pageOf(window.get(), "stackedWidget"), QString("page_secure"));
        QVERIFY(!window->isVisible());

        window->setActivationState(ActivationState(6));
        window->showActivation();
        QCOMPARE(pageOf(window.get(), "stackedWidget"), QString("page_secure"));
    }

    void activateAfterConfiguration_data()
    {
        QTest::addColumn<int>("subscription");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("firstRun");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("trafficPanel");

        QTest::newRow("unlimited") << UnlimitedSubscription::Type << true << false << true << "page_7" << false;
        QTest::newRow("metered, visible") << MeteredSubscription::Type << true << false << false << "page_6" << true;
        QTest::newRow("metered, hidden") << MeteredSubscription::Type << false << false << true << "page_6" << true;
        QTest::newRow("first run") << -1 << true << true << false << "page_6" << false;
    }

    void activateAfterConfiguration()
    {
        QFETCH(int, subscription);
        QFETCH(bool, visible);
        QFETCH(bool, firstRun);
        QFETCH(bool, result);
        QFETCH(QString, page);
        QFETCH(bool, trafficPanel);

        m_config->firstRun = firstRun;
        const auto window = openedWindow(visible);
        auto account = QSharedPointer<ClientAuthData>::create();
        window->init(account);
        if (subscription == MeteredSubscription::Type)
            account->setSubscription(SubscriptionPointer(new MeteredSubscription("Data", "metered", 2000000000, 2000000000)));
        else if (subscription == UnlimitedSubscription::Type)
            account->setSubscription(SubscriptionPointer(new UnlimitedSubscription(
                "Year", "unlimited", QDateTime::currentDateTimeUtc(), QDateTime::currentDateTimeUtc().addDays(30), 30, 30, 0)));
        bool answer = false;
        QVERIFY(QMetaObject::invokeMethod(window.get(), "isCanActivateIfJustConfigured", Qt::DirectConnection,
                                          Q_RETURN_ARG(bool, answer)));
        m_config->firstRun = false;
        QCOMPARE(answer, result);
        QCOMPARE(pageOf(window.get(), "swConfigured"), page);
        QCOMPARE(part(window.get(), "trafficSw")->isVisibleTo(window.get()), trafficPanel);
        QCOMPARE(window->isVisible(), visible);
    }

    void trafficLow_data()
    {
        QTest::addColumn<qint64>("quota");
        QTest::addColumn<QString>("timer");
        QTest::addColumn<QString>("figure");

        QTest::newRow("500,000,000 is low") << 500000000LL << "" << trafficInBytesToText(500000000, true);
        QTest::newRow("500,000,001 is not") << 500000001LL << "closeDelayTimer 6000" << trafficInBytesToText(500000001, true);
        QTest::newRow("unknown quota") << -1LL << "" << "";
    }

    void trafficLow()
    {
        QFETCH(qint64, quota);
        QFETCH(QString, timer);
        QFETCH(QString, figure);

        const auto window = openedWindow(false);
        auto account = QSharedPointer<ClientAuthData>::create();
        window->init(account);
        account->setSubscription(SubscriptionPointer(new MeteredSubscription("Data", "metered", quota, 1000)));
        window->setActivationState(Activated);
        window->showActivation();
        QCOMPARE(pageOf(window.get(), "stackedWidget"), QString("page_connected"));
        QCOMPARE(runningTimer(window.get()), timer);
        const QString remaining = part<QLabel>(window.get(), "lbDataRemaining")->text();
        QCOMPARE(remaining.contains(figure), true);
        QCOMPARE(remaining.isEmpty(), figure.isEmpty());
    }

    void noTrafficFigure()
    {
        const auto window = openedWindow();
        window->setTrafficNotification(1200000000);
        const QString before = part<QLabel>(window.get(), "lbDataRemaining")->text();
        part(window.get(), "btnRefresh")->setEnabled(false);
        part<QLabel>(window.get(), "lbRefreshText")->clear();
        window->setTrafficNotification(-1);
        QCOMPARE(part<QLabel>(window.get(), "lbDataRemaining")->text(), before);
        QCOMPARE(part<QLabel>(window.get(), "lbRefreshText")->text(), QString("Refresh Data Amount"));
        QVERIFY(part(window.get(), "btnRefresh")->isEnabled());
        window->showScreen(Welcome::ScreenConfigured, {});
        QCOMPARE(runningTimer(window.get()), QString("autoTransferTimer 4000"));
    }

    void serverTexts()
    {
        const auto window = openedWindow();
        auto* connecting = part<QLabel>(window.get(), "lbConnecting");
        auto* banner = part<QLabel>(window.get(), "lbCurrentError");
        window->setActivatingServer(QString());
        QCOMPARE(connecting->text(), QString("Connecting to secure server in ..."));
        VpnServer server;
        server.name = "Rhine";
        server.city = "Bonn";
        window->setActivatingServer(server);
        QCOMPARE(connecting->text(), QString("Connecting to secure server in Rhine in Bonn"));

        window->setFailedServer("Rhine");
        QCOMPARE(banner->text(), QString("Unable to connect to Rhine server."));
        window->setActivatingServer("Oder");
        QCOMPARE(banner->text(), QString("Unable to connect to Rhine server.\nAttempting to connect to new server in Oder"));

        window->hide();
        window->setFailedServer("Oder");
        QCOMPARE(banner->text(), QString("Unable to connect to Rhine server.\nAttempting to connect to new server in Oder"));
        QVERIFY(part(window.get(), "currentErrorWidget")->isVisibleTo(window.get()));

        window->show();
        window->setDisconnectedState(true);
        window->setActivatingServer("Elbe");
        window->setFailedServer("Elbe");
        QCOMPARE(connecting->text(), QString("Connecting to secure server in Oder"));

        window->hideErrorMsg();
        QVERIFY(banner->text().isEmpty());
        QVERIFY(!part(window.get(), "currentErrorWidget")->isVisibleTo(window.get()));
    }

    void disconnectedOnce()
    {
        const auto window = openedWindow();
        QSignalSpy diagnostics(window.get(), &Welcome::startConnectionDiagnostic);
        window->setDisconnectedState(true);
        window->setDisconnectedState(true);
        QCOMPARE(diagnostics.count(), 1);
        window->setDisconnectedState(false);
        QCOMPARE(pageOf(window.get(), "stackedWidget"), QString("page_disconnected"));
    }

    void serviceMissing()
    {
        const auto window = openedWindow();
        const int before = window->broughtUp;
        window->setDisconnectedState(true);
        window->showErrorConnectToService();
        QCOMPARE(pageOf(window.get(), "stackedWidget"), QString("page_commonError"));
        QCOMPARE(part<QLabel>(window.get(), "lbCommonError")->text(),
                 QString("Service missing\nThe application cannot start because its service is not installed or not "
                         "running. Try to reinstall the application."));
        QVERIFY(window->broughtUp > before);
    }

    // As the client shows it when its backend cannot be reached: the window's
    // opening never finishes, and its menu offers Quit alone.
    void serviceMissingMenu()
    {
        CountingWelcome window;
        window.startInitialOpening();
        window.showErrorConnectToService();
        QStringList enabled;
        for (const char* name : {"btnActivateHmbrgr", "btnStatus", "btnUsage", "btnSettings", "btnAccount", "btnHelp",
                                 "btnAbout", "btnQuit"})
            if (part<QPushButton>(&window, name)->isEnabled())
                enabled << QString::fromLatin1(name);
        QCOMPARE(enabled, QStringList{"btnQuit"});
        QCOMPARE(part<QPushButton>(&window, "btnActivateHmbrgr")->text(), QString("Activate"));
    }

    void closing()
    {
        const auto window = openedWindow();
        window->setTrafficNotification(1000);
        window->showScreen(Welcome::ScreenConfigured, {true, true});
        QSignalSpy closed(window.get(), &Welcome::welcomeClosed);
        QSignalSpy activate(window.get(), &Welcome::readyToActivateTriggered);
        QSignalSpy visible(window.get(), &Welcome::becomeVisible);
        window->close();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(activate.count(), 1);
        QCOMPARE(visible.count(), 1);
        QCOMPARE(visible.at(0).at(0).toBool(), false);

        window->show();
        QCOMPARE(visible.at(1).at(0).toBool(), true);
        window->showScreen(Welcome::ScreenExpired, typicalArgs(Welcome::ScreenExpired));
        part<QStackedWidget>(window.get(), "expiredSw")->setCurrentIndex(1);
        part<QPushButton>(window.get(), "btnCloseExpired")->click();
        QVERIFY(!window->isVisible());
        QCOMPARE(activate.count(), 1);
        QCOMPARE(pageOf(window.get(), "topLevelStackedWidget"), QString("page_main_welcome_page"));
    }

    void emailCheck_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << "jo.doe+vpn@mail.example.org" << true;
        QTest::newRow("no dot after the at sign") << "jo@localhost" << false;
        QTest::newRow("two at signs") << "jo@doe@example.org" << false;
        QTest::newRow("final part of five letters") << "jo@example.abcde" << false;
        QTest::newRow("bracketed numbers") << "jo@[10.1.2.3]" << true;
        QTest::newRow("bracketed, no closing bracket") << "jo@[10.1.2.3" << true;
    }

    void emailCheck()
    {
        QFETCH(QString, email);
        QFETCH(bool, accepted);
        CountingWelcome window;
        window.startInitialOpening();
        window.showScreen(Welcome::ScreenEmailPrompt, {email});
        QVERIFY(!part(&window, "btnEmail")->isEnabled());
        window.finishInitialOpening();
        window.showScreen(Welcome::ScreenEmailPrompt, {email});
        QCOMPARE(part(&window, "btnEmail")->isEnabled(), accepted);
    }

    void registerButton()
    {
        const auto window = openedWindow();
        auto* device = part<QLineEdit>(window.get(), "leDeviceId");
        auto* password = part<QLineEdit>(window.get(), "lePassword");
        auto* button = part(window.get(), "btnRegister");
        device->setText("   ");
        password->setText("secret");
        QVERIFY(!button->isEnabled());
        device->setText("box");
        QVERIFY(button->isEnabled());
        password->clear();
        QVERIFY(!button->isEnabled());
        device->setText(QString(60, 'x'));
        QCOMPARE(device->text().size(), 50);
        QVERIFY(!part(window.get(), "leSorryDevLengthReached")->isVisibleTo(window.get()));
    }

    void languageChange()
    {
        const auto window = openedWindow();
        window->setFailedServer("Rhine");
        const QList<QLabel*> labels = window->findChildren<QLabel*>();
        for (QLabel* label : labels)
            label->setText("stale");
        MarkingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        const auto uninstall = qScopeGuard([&translator] { QCoreApplication::removeTranslator(&translator); });
        QCoreApplication::processEvents();

        for (const auto& [name, source] : Texts) {
            QWidget* widget = part(window.get(), name);
            QCOMPARE(widget->property("text").toString(), QStringLiteral("«%1»").arg(QLatin1String(source)));
        }
        QCOMPARE(part<QLabel>(window.get(), "lbCurrentError")->text(), QString());
        QCOMPARE(part<QLabel>(window.get(), "lbWelcomeText")->text(), WelcomeWelcomeText());
        QCOMPARE(window->windowTitle(), OzmApplication::windowTitle_ + "« - Welcome»");
        QCOMPARE(part<QLabel>(window.get(), "leSorryDevLengthReached")->text(),
                 QString("«Device name limit of 50 characters has been reached.»"));
    }

    void singleton()
    {
        Welcome* first = Welcome::inst();
        QCOMPARE(Welcome::inst(), first);
        first->startInitialOpening();
        first->finishInitialOpening();
        first->showScreen(Welcome::ScreenSecured, {});
        delete first;
        Welcome* second = Welcome::inst();
        QVERIFY(second);
        QCOMPARE(pageOf(second, "stackedWidget"), QString("page_email"));
        delete second;
    }

    void fatalRequests_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("message");
        QTest::newRow("none") << "0" << "Internal logic error : welcome screen number 0 is unknown!";
        QTest::newRow("unused value") << "3" << "Internal logic error : welcome screen number 3 is unknown!";
        QTest::newRow("size") << "23" << "Internal logic error : welcome screen number 23 is unknown!";
        QTest::newRow("short list")
            << "18" << "Internal logic error! Wrong number(1) of the passed arguments in the Welcome::showScreen(screen=18)";
    }

    void fatalRequests()
    {
        QFETCH(QString, request);
        QFETCH(QString, message);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("OZM_WELCOME_REQUEST", request);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY2(child.readAllStandardError().contains(message.toUtf8()), qPrintable(message));
    }

private:
    ScriptedConfig* m_config = nullptr;
};


// A request that breaks showScreen's contract ends the process; the test runs it in a child.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QByteArray request = qgetenv("OZM_WELCOME_REQUEST");
    if (!request.isEmpty()) {
        Welcome window;
        window.showScreen(Welcome::ScreenType(request.toInt()), {"one"});
        return 0;
    }
    tst_Welcome test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Welcome.moc"
