// What the main window's fields and buttons do, on the offscreen platform.
#include "DesktopRecorder.h"
#include "QOZMHamburgerMenuSignalHandler.h"
#include "QtWarningsFail.h"
#include "UiTestKit.h"
#include "WelcomeProbe.h"
#include "coBranding.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace WelcomeProbe;

namespace {

const QString Accepted = "QLineEdit:focus { border: 1px solid #ABD08B; }";
const QString Rejected = "QLineEdit:focus { border: 1px solid #FD3737; }";
const QString LengthRule = "Your password should contain 6 to 50 valid characters.";
const QString Mismatch = "The passwords entered do not match.";

// The device page for an account that sets (or enters) its password.
std::unique_ptr<Welcome> devicePage(bool newPassword)
{
    auto window = openedWindow();
    window->showDevicePrompt("me@example.com", !newPassword, "  box ");
    return window;
}

} // namespace

class tst_WelcomeActions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void passwordCheck_data()
    {
        QTest::addColumn<bool>("newPassword");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("passwordStyle");
        QTest::addColumn<QString>("confirmationStyle");
        QTest::addColumn<QString>("focus");

        const QString six(6, 'a'), fifty(50, 'b');
        QTest::newRow("5 characters") << true << "abcde" << "abcde" << false << LengthRule << Rejected << ""
                                      << "lePassword";
        QTest::newRow("6 characters") << true << six << six << true << "" << Accepted << Accepted << "leDeviceId";
        QTest::newRow("50 characters") << true << fifty << fifty << true << "" << Accepted << Accepted << "leDeviceId";
        QTest::newRow("51 characters") << true << fifty + "b" << fifty + "b" << false << LengthRule << Rejected << ""
                                       << "lePassword";
        QTest::newRow("empty confirmation") << true << six << "" << true << "" << Accepted << "" << "leDeviceId";
        QTest::newRow("differs in case") << true << "secret1" << "Secret1" << false << Mismatch << Accepted << Rejected
                                         << "lePasswordConfirm";
        QTest::newRow("known password, anything") << false << "" << "x" << true << "" << "" << "" << "leDeviceId";
    }

    void passwordCheck()
    {
        QFETCH(bool, newPassword);
        QFETCH(QString, password);
        QFETCH(QString, confirmation);
        QFETCH(bool, valid);
        QFETCH(QString, reason);
        QFETCH(QString, passwordStyle);
        QFETCH(QString, confirmationStyle);
        QFETCH(QString, focus);

        auto window = devicePage(newPassword);
        auto* reasonLabel = part<QLabel>(window.get(), "passwordMatchErrorLbl");
        part<QLineEdit>(window.get(), "lePassword")->setText(password);
        part<QLineEdit>(window.get(), "lePasswordConfirm")->setText(confirmation);
        part(window.get(), "leDeviceId")->setFocus();
        QCOMPARE(window->isEnteredPasswordsValid(), valid);
        QCOMPARE(reasonLabel->isVisible() ? reasonLabel->text() : QString(), reason);
        QCOMPARE(part(window.get(), "lePassword")->styleSheet(), passwordStyle);
        QCOMPARE(part(window.get(), "lePasswordConfirm")->styleSheet(), confirmationStyle);
        QCOMPARE(window->focusWidget()->objectName(), focus);
    }

    // Return walks the form the way the keyboard user expects, and sends once.
    void returnKeys()
    {
        auto window = openedWindow();
        QSignalSpy email(window.get(), &Welcome::emailEntered);
        window->showEmailPrompt("");
        QTest::keyClicks(part(window.get(), "leEmail"), "  me@example.com ");
        QTest::keyClick(part(window.get(), "leEmail"), Qt::Key_Return);
        QCOMPARE(email.count(), 1);
        QCOMPARE(email.at(0).at(0).toString(), QString("me@example.com"));

        QSignalSpy device(window.get(), &Welcome::deviceEntered);
        window->showDevicePrompt("me@example.com", false, "  box ");
        QTest::keyClicks(part(window.get(), "lePassword"), "secret1");
        QTest::keyClick(part(window.get(), "lePassword"), Qt::Key_Return);
        QCOMPARE(device.count(), 0);
        QCOMPARE(window->focusWidget()->objectName(), QString("lePasswordConfirm"));
        QTest::keyClicks(part(window.get(), "lePasswordConfirm"), "secret1");
        QTest::keyClick(part(window.get(), "lePasswordConfirm"), Qt::Key_Return);
        QCOMPARE(device.count(), 1);

        window->showEmailPrompt("");
        window->showDevicePrompt("me@example.com", true, "  box ");
        QTest::keyClicks(part(window.get(), "lePassword"), "old secret");
        QTest::keyClick(part(window.get(), "lePassword"), Qt::Key_Return);
        QCOMPARE(device.count(), 2);
        QCOMPARE(device.at(1), QList<QVariant>({"box", "old secret", true}));
        QVERIFY(!part(window.get(), "lePassword")->isEnabled());
    }

    void cancelWhileActivating()
    {
        auto window = openedWindow();
        window->setActivationState(Activating);
        window->showActivation();
        QStringList order;
        connect(window.get(), &Welcome::cancelActivateTriggered, [&] { order << "cancelActivateTriggered"; });
        connect(window.get(), &Welcome::disableStatusShowing, [&] { order << "disableStatusShowing"; });
        connect(window.get(), &Welcome::enableStatusShowing, [&] { order << "enableStatusShowing"; });
        connect(window.get(), &Welcome::welcomeClosed, [&] { order << "closed"; });
        part<QPushButton>(window.get(), "cancelActivationButton")->click();
        QCOMPARE(order, QStringList({"cancelActivateTriggered", "disableStatusShowing", "enableStatusShowing", "closed"}));
        QVERIFY(!window->isVisible());
    }

    // The delay ends; the window closes unless it shows something to act on
    // or a menu is open over it.
    void closeDelay_data()
    {
        QTest::addColumn<int>("screen");
        QTest::addColumn<bool>("menuShown");
        QTest::addColumn<bool>("closes");
        QTest::newRow("secure") << int(Welcome::ScreenSecured) << false << true;
        QTest::newRow("secure, menu open") << int(Welcome::ScreenSecured) << true << false;
        QTest::newRow("activated") << int(Welcome::ScreenActivated) << false << true;
        QTest::newRow("disconnected") << int(Welcome::ScreenDisconnected) << false << false;
        QTest::newRow("common error") << int(Welcome::ScreenCommonError) << false << false;
    }

    void closeDelay()
    {
        QFETCH(int, screen);
        QFETCH(bool, menuShown);
        QFETCH(bool, closes);
        auto window = openedWindow();
        window->showScreen(Welcome::ScreenType(screen), {"Title", "Text"});
        QOZMHamburgerMenuSignalHandler::inst()->setMenuShown(menuShown);
        window->onCloseDelayIsEnd();
        QCOMPARE(window->isVisible(), !closes);
        if (!menuShown)
            return;
        QOZMHamburgerMenuSignalHandler::inst()->setMenuShown(false);
        window->onCloseDelayIsEnd();
        QVERIFY(!window->isVisible());
    }

    void progress_data()
    {
        QTest::addColumn<int>("screen");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<int>("tick");
        QTest::addColumn<int>("slowAt");
        QTest::addColumn<int>("slowTick");
        QTest::newRow("configuring") << int(Welcome::ScreenConfiguring) << "progressBar_2" << 80 << 90 << 450;
        QTest::newRow("activating") << int(Welcome::ScreenActivating) << "progressBarActivating" << 140 << 80 << 400;
    }

    void progress()
    {
        QFETCH(int, screen);
        QFETCH(QString, bar);
        QFETCH(int, tick);
        QFETCH(int, slowAt);
        QFETCH(int, slowTick);
        auto window = openedWindow();
        window->showEmailPrompt("");
        window->showScreen(Welcome::ScreenType(screen), {});
        auto* progressBar = part<QProgressBar>(window.get(), bar.toLatin1().constData());
        auto* timer = window->findChild<QTimer*>("progressTimer");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), tick);
        QCOMPARE(progressBar->value(), 0);
        for (int i = 1; i < slowAt; ++i)
            window->progressBarAnimation();
        QCOMPARE(progressBar->value(), slowAt - 1);
        QCOMPARE(timer->interval(), tick);
        window->progressBarAnimation();
        QCOMPARE(timer->interval(), slowTick);
        for (int i = slowAt; i < 120; ++i)
            window->progressBarAnimation();
        QCOMPARE(progressBar->value(), 100);

        progressBar->setValue(40);
        window->showEmailPrompt("");
        QVERIFY(!timer->isActive());
        QCOMPARE(progressBar->value(), 100);
        window->showScreen(Welcome::ScreenType(screen), {});
        QCOMPARE(progressBar->value(), 0);
        QVERIFY(timer->isActive());
    }

    void devicePageEntry()
    {
        auto window = devicePage(true);
        auto* password = part<QLineEdit>(window.get(), "lePassword");
        window->showIncorrectPassword(1);
        QCOMPARE(password->property("errorStyle").toString(), QString("on"));
        part<QLineEdit>(window.get(), "leDeviceId")->clear();
        password->setText("typed");
        window->showEmailPrompt("");
        window->changeStackedWidgetIndex(window->getPageDevice());
        QCOMPARE(password->property("errorStyle").toString(), QString("off"));
        QCOMPARE(password->text(), QString());
        QVERIFY(password->isEnabled());
        QVERIFY(!part(window.get(), "passwordMatchErrorLbl")->isVisible());
        QCOMPARE(window->focusWidget()->objectName(), QString("leDeviceId"));
        QCOMPARE(part<QLabel>(window.get(), "label_12")->text(), QString("Create Password"));
    }

    void deviceLimit()
    {
        auto window = openedWindow();
        QSignalSpy management(window.get(), &Welcome::openDeviceManagementPage);
        QSignalSpy retry(window.get(), &Welcome::errorRetry);
        window->showEmailPrompt("");
        window->showManageDivicesForAccount("me@example.com");
        auto* proceed = part<QPushButton>(window.get(), "btnContinue");
        QVERIFY(proceed->isVisible());
        QVERIFY(!proceed->isEnabled());
        part<QPushButton>(window.get(), "manageDevicesBtn")->click();
        QCOMPARE(management.count(), 1);
        QCOMPARE(pageOf(window.get(), "deviceLimitReachedSw"), QString("page_8"));
        QVERIFY(proceed->isEnabled());
        proceed->click();
        QCOMPARE(retry.count(), 1);
        QVERIFY(!proceed->isEnabled());
        auto* back = part<QPushButton>(window.get(), "btnBackToEmail_2");
        back->click();
        QCOMPARE(pageOf(window.get(), "deviceLimitReachedSw"), QString("page_5"));
        back->click();
        QCOMPARE(pageOf(window.get(), "stackedWidget"), QString("page_email"));
    }

    // A refresh keeps the configured page from moving on by itself, until
    // the page is left.
    void refreshHoldsAutoTransfer()
    {
        auto window = openedWindow();
        auto* autoTransfer = window->findChild<QTimer*>("autoTransferTimer");
        window->setTrafficNotification(5000000000LL);
        window->showScreen(Welcome::ScreenConfigured, {});
        QVERIFY(autoTransfer->isActive());
        QSignalSpy update(window.get(), &Welcome::updateSubscription);
        part<QPushButton>(window.get(), "btnRefresh")->click();
        QCOMPARE(update.count(), 1);
        QVERIFY(!autoTransfer->isActive());
        QCOMPARE(part<QLabel>(window.get(), "lbRefreshText")->text(), QString("Refreshing..."));
        QVERIFY(!part(window.get(), "btnRefresh")->isEnabled());
        window->showScreen(Welcome::ScreenReady, {});
        window->showScreen(Welcome::ScreenConfigured, {});
        QVERIFY(autoTransfer->isActive());
    }

    void supportMail_data()
    {
        QTest::addColumn<QString>("brand");
        QTest::addColumn<QList<QUrl>>("opened");
        QTest::addColumn<QString>("warning");
        const QString refused = "Refused to open an address outside the program: \"mailto:help@example.com%1\"";
        QTest::newRow("plain") << "help@example.com" << QList<QUrl>{QUrl("mailto:help@example.com")} << "";
        QTest::newRow("plus") << "help+vpn@example.com" << QList<QUrl>{QUrl("mailto:help+vpn@example.com")} << "";
        QTest::newRow("body smuggled") << "help@example.com?body=x" << QList<QUrl>{} << refused.arg("%3Fbody=x");
        QTest::newRow("header smuggled") << "help@example.com\nCc: all@example.com" << QList<QUrl>{} << refused.arg("%0ACc: all@example.com");
        QTest::newRow("empty") << "" << QList<QUrl>{} << "No customer support address to write to";
    }

    void supportMail()
    {
        QFETCH(QString, brand);
        QFETCH(QList<QUrl>, opened);
        QFETCH(QString, warning);
        if (!warning.isEmpty())
            QtWarningsFail::expect(QtWarningMsg, warning);
        DesktopRecorder desktop;
        QVERIFY(coBranding::inst()->support_email->setStrData(brand, false));
        auto window = openedWindow();
        window->showIncorrectPassword(3);
        part<QPushButton>(window.get(), "btnEmailCustomerSupport")->click();
        QCOMPARE(desktop.opened, opened);
    }

    void expiredPage()
    {
        auto window = openedWindow();
        QSignalSpy quickStart(window.get(), &Welcome::quickStartActivated);
        window->showSubscriptionInactive({}, HttpCommandCode::AccountExpired, {});
        auto* guide = part<QLabel>(window.get(), "lbSeeGuide");
        emit guide->linkActivated("LINK:quickstart");
        emit guide->linkActivated("link:elsewhere");
        QCOMPARE(quickStart.count(), 1);
        part<QPushButton>(window.get(), "btnExpiredNoThanks_2")->click();
        QCOMPARE(pageOf(window.get(), "expiredSw"), QString("privacy_info_2"));
        QVERIFY(!guide->isVisible());
        QVERIFY(part(window.get(), "btnBuy_7")->isVisible());
    }
};

QTEST_MAIN(tst_WelcomeActions)
#include "tst_WelcomeActions.moc"
