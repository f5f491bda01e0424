// The password dialog as the user drives it: what it accepts, what it says,
// and when it lets itself be closed.
#include "ChangePassword.h"
#include "OzmApplication.h"
#include "UiTestKit.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

namespace {

const QString Green = "color: #009433;";
const QString Red = "color: #EB1C23;";
const QString Mismatch = "The new passwords you have entered do not match, please re-enter them.";
const QString BadLength = "Your password should contain 6 to 50 valid characters.";

} // namespace

class tst_ChangePassword : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UiTestKit::prepare();
        OzmApplication::windowTitleShort_ = "Ozmira";
    }
    void init()
    {
        dialog = std::make_unique<ChangePassword>();
        dialog->displayChangePassword();
    }
    void cleanup()
    {
        dialog.reset();
    }

    void titleAndEcho()
    {
        QCOMPARE(dialog->windowTitle(), QString("Ozmira - Change Password"));
        for (const char* name : {"oldPasswordEdit", "newPasswordEdit", "newPasswordConfirmEdit"})
            QCOMPARE(edit(name)->echoMode(), QLineEdit::Password);
        QVERIFY(!button("changePasswordButton")->isEnabled());
        QVERIFY(status()->isHidden());
    }

    void buttonNeedsAllThree_data()
    {
        QTest::addColumn<QString>("oldPassword");
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("all three") << "old" << "n" << "c" << true;
        QTest::newRow("no old") << "" << "n" << "c" << false;
        QTest::newRow("no new") << "old" << "" << "c" << false;
        QTest::newRow("no confirmation") << "old" << "n" << "" << false;
    }
    void buttonNeedsAllThree()
    {
        QFETCH(QString, oldPassword);
        QFETCH(QString, newPassword);
        QFETCH(QString, confirmation);
        QFETCH(bool, enabled);
        type(oldPassword, newPassword, confirmation);
        QCOMPARE(button("changePasswordButton")->isEnabled(), enabled);
    }

    void checks_data()
    {
        QTest::addColumn<QString>("oldPassword");
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("focused");

        const QString five(5, 'x'), six(6, 'x'), fifty(50, 'x'), fiftyOne(51, 'x');
        QTest::newRow("5 characters") << "old" << five << five << BadLength << "newPasswordEdit";
        QTest::newRow("6 characters") << "old" << six << six << "Validating password" << "";
        QTest::newRow("50 characters") << "old" << fifty << fifty << "Validating password" << "";
        QTest::newRow("51 characters") << "old" << fiftyOne << fiftyOne << BadLength << "newPasswordEdit";
        QTest::newRow("mismatch of valid lengths") << "old" << six << "yyyyyy" << Mismatch << "newPasswordEdit";
        QTest::newRow("mismatch before length") << "old" << five << "yyyyy" << Mismatch << "newPasswordEdit";
        QTest::newRow("empty old password") << "" << six << six << "" << "oldPasswordEdit";
    }
    void checks()
    {
        QFETCH(QString, oldPassword);
        QFETCH(QString, newPassword);
        QFETCH(QString, confirmation);
        QFETCH(QString, shown);
        QFETCH(QString, focused);
        QSignalSpy started(dialog.get(), &ChangePassword::startPasswordChange);
        type(oldPassword, newPassword, confirmation);
        press();

        QCOMPARE(status()->text(), shown);
        QCOMPARE(status()->isVisible(), !shown.isEmpty());
        const bool accepted = focused.isEmpty();
        QCOMPARE(started.count(), accepted ? 1 : 0);
        QCOMPARE(dialog->isProcessing(), accepted);
        if (accepted) {
            QCOMPARE(started.first(), QVariantList({oldPassword, newPassword}));
            QCOMPARE(status()->styleSheet(), Green);
            QVERIFY(progress()->isVisible());
            for (const char* name : {"oldPasswordEdit", "newPasswordEdit", "newPasswordConfirmEdit"})
                QVERIFY(!edit(name)->isEnabled());
            QVERIFY(!button("btnClose")->isEnabled());
            QVERIFY(!button("changePasswordButton")->isEnabled());
            return;
        }
        QCOMPARE(status()->styleSheet(), Red);
        QCOMPARE(dialog->focusWidget(), edit(focused.toLatin1()));
        const bool refusedNew = focused == "newPasswordEdit";
        QCOMPARE(edit("newPasswordEdit")->text().isEmpty(), refusedNew);
        QCOMPARE(edit("newPasswordConfirmEdit")->text().isEmpty(), refusedNew);
    }

    // While a change runs nothing closes the dialog, and opening it again shows the same run.
    void runningChangeHoldsTheDialog()
    {
        type("old", "secret1", "secret1");
        press();
        QVERIFY(dialog->isProcessing());
        dialog->close();
        QVERIFY(dialog->isVisible());
        dialog->reject();
        QVERIFY(dialog->isVisible());

        dialog->displayChangePassword();
        QCOMPARE(status()->text(), QString("Validating password"));
        QCOMPARE(edit("newPasswordEdit")->text(), QString("secret1"));
        QVERIFY(!edit("oldPasswordEdit")->isEnabled());

        dialog->onPasswordValidateSuccess();
        QCOMPARE(status()->text(), QString("Changing password"));
        QCOMPARE(status()->styleSheet(), Green);
        dialog->close();
        QVERIFY(dialog->isVisible());
    }

    void answers_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("success");
        QTest::addColumn<bool>("exchangeOk");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("colour");
        enum { Validation = 0, Change = 1 };
        QTest::newRow("validation: no exchange") << int(Validation) << false << false << 1
                                                 << "Failed to connect to server, please try again" << Red;
        QTest::newRow("validation: refused") << int(Validation) << false << true << 0 << "Wrong password" << Red;
        QTest::newRow("change: no exchange") << int(Change) << false << false << 1
                                             << "Failed to connect to server, please try again" << Red;
        QTest::newRow("change: refused") << int(Change) << false << true << 0 << "Wrong password" << Red;
        QTest::newRow("change: done") << int(Change) << true << true << 0 << "Password changed" << Green;
    }
    // Every answer stops the bar and lets the dialog close again.
    void answers()
    {
        QFETCH(int, kind);
        QFETCH(bool, success);
        QFETCH(bool, exchangeOk);
        QFETCH(int, page);
        QFETCH(QString, shown);
        QFETCH(QString, colour);
        type("old", "secret1", "secret1");
        press();
        const QString text = success ? "Password changed" : "Wrong password";
        if (kind == 0) {
            dialog->onPasswordValidateFailed(exchangeOk ? ChangePassword::Refused : ChangePassword::ExchangeFailed,
                                             text);
        } else {
            dialog->onPasswordValidateSuccess();
            dialog->onPasswordChangeResult(success, exchangeOk, text);
        }
        QCOMPARE(dialog->findChild<QStackedWidget*>("stackedWidget")->currentIndex(), page);
        QCOMPARE(status()->text(), shown);
        QCOMPARE(status()->styleSheet(), colour);
        QVERIFY(!progress()->isVisible());
        QVERIFY(!dialog->isProcessing());
        QVERIFY(edit("oldPasswordEdit")->isEnabled());
        QVERIFY(button("btnClose")->isEnabled());
        QTest::mouseClick(button("btnClose"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());

        // Opened again, the dialog starts afresh on its instructions.
        dialog->displayChangePassword();
        QCOMPARE(dialog->findChild<QStackedWidget*>("stackedWidget")->currentIndex(), 0);
        QVERIFY(status()->isHidden());
        QVERIFY(edit("oldPasswordEdit")->text().isEmpty());
    }

    void progressSlowsDown()
    {
        type("old", "secret1", "secret1");
        press();
        auto* timer = dialog->findChild<QTimer*>("progressTimer");
        QVERIFY(timer && timer->isActive());
        const QList<QPair<int, int>> intervals{{1, 60}, {74, 60}, {75, 160}, {84, 160}, {85, 500},
                                               {95, 1000}, {99, 1000}, {100, 60}, {130, 60}};
        int ticks = 0;
        for (const auto& [count, interval] : intervals) {
            for (; ticks < count; ++ticks)
                QMetaObject::invokeMethod(timer, "timeout");
            QCOMPARE(timer->interval(), interval);
            QCOMPARE(progress()->value(), qMin(count, 100));
        }
        dialog->onPasswordValidateFailed(ChangePassword::Refused, "no");
        QVERIFY(!timer->isActive());
    }

private:
    QLineEdit* edit(const char* name) const { return dialog->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) const { return dialog->findChild<QPushButton*>(name); }
    QLabel* status() const { return dialog->findChild<QLabel*>("lbPassResetStatus"); }
    QProgressBar* progress() const { return dialog->findChild<QProgressBar*>("pbPassResetProgress"); }

    void type(const QString& oldPassword, const QString& newPassword, const QString& confirmation)
    {
        QTest::keyClicks(edit("oldPasswordEdit"), oldPassword);
        QTest::keyClicks(edit("newPasswordEdit"), newPassword);
        QTest::keyClicks(edit("newPasswordConfirmEdit"), confirmation);
    }
    // The button takes a click only with all three fields filled; the dialog's
    // own checks cover the rest all the same.
    void press()
    {
        QPushButton* change = button("changePasswordButton");
        if (change->isEnabled())
            QTest::mouseClick(change, Qt::LeftButton);
        else
            QMetaObject::invokeMethod(dialog.get(), "on_changePasswordButton_clicked");
    }

    std::unique_ptr<ChangePassword> dialog;
};

QTEST_MAIN(tst_ChangePassword)
#include "tst_ChangePassword.moc"
