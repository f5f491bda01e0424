// The account and password windows as a person sees them, grabbed from a private X server.
#include "Account.h"
#include "ChangePassword.h"
#include "MeteredSubscription.h"
#include "OzmApplication.h"
#include "UiTestKit.h"
#include "UnlimitedSubscription.h"
#include "WindowShot.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class tst_AccountWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UiTestKit::prepare();
        OzmApplication::windowTitleShort_ = "Ozmira";
    }

    void account_data()
    {
        QTest::addColumn<SubscriptionPointer>("subscription");
        QTest::addColumn<QStringList>("shown");
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QStringList common{"lbLogoImage", "wgtHmbrgrMenu", "lbAccount", "email", "deviceName",
                                 "devicesRegNumber", "lbExpiration", "close", "btnChngPasswd", "btnAdminPage"};
        QTest::newRow("metered") << SubscriptionPointer(new MeteredSubscription("", "Pay as you go", 300 << 20, 1 << 30))
                                 << common + QStringList{"btnTopUpNow"};
        QTest::newRow("unlimited") << SubscriptionPointer(new UnlimitedSubscription(
                                          "Premium year", "Premium", now.addDays(-335), now.addDays(30), 365, 30, 0))
                                   << common + QStringList{"devicesAuth", "devicesAuthNumber"};
    }
    void account()
    {
        QFETCH(SubscriptionPointer, subscription);
        QFETCH(QStringList, shown);
        auto data = QSharedPointer<ClientAuthData>::create();
        Account window;
        window.init(data);
        data->setEmail("user@example.org");
        data->setDevName("Desk in the study");
        data->setDevicesNumber(5, 2);
        data->setSubscription(subscription);
        window.move(200, 150);
        window.display();

        const WindowShot shot(&window);
        QCOMPARE(shot.check(shown), QString());
        QVERIFY(!shot.save().isEmpty());
        // The buttons stand in one row at the bottom, the values right of their names.
        QCOMPARE(shot.rectOf("close").top(), shot.rectOf("btnAdminPage").top());
        QVERIFY(shot.rectOf("email").left() > shot.rectOf("emailLabel").right());
        QVERIFY(shot.rectOf("close").top() > shot.rectOf("lbExpiration").bottom());
        QCOMPARE(shot.rectOf("devicesAuthNumber").isNull(), subscription->type() == 0);
    }

    void password_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("status");
        QTest::newRow("validating") << -1 << "Validating password";
        QTest::newRow("refused") << int(ChangePassword::Refused) << "The old password is not correct.";
        QTest::newRow("no connection") << int(ChangePassword::ExchangeFailed)
                                       << "Failed to connect to server, please try again";
    }
    void password()
    {
        QFETCH(int, answer);
        QFETCH(QString, status);
        ChangePassword dialog;
        dialog.move(200, 150);
        dialog.displayChangePassword();
        for (const char* name : {"oldPasswordEdit", "newPasswordEdit", "newPasswordConfirmEdit"})
            QTest::keyClicks(dialog.findChild<QLineEdit*>(name), "secret1");
        QTest::mouseClick(dialog.findChild<QPushButton*>("changePasswordButton"), Qt::LeftButton);
        if (answer >= 0)
            dialog.onPasswordValidateFailed(ChangePassword::ErrorReason(answer), "The old password is not correct.");

        const WindowShot shot(&dialog);
        const QString page = answer == ChangePassword::ExchangeFailed ? "lbSystemError" : "lbPasswdChngSteps";
        QStringList shown{"lbLogoImage", "lbCaption", page, "oldPasswordEdit", "newPasswordEdit",
                          "newPasswordConfirmEdit", "changePasswordButton", "lbPassResetStatus", "btnClose"};
        if (answer < 0)
            shown << "pbPassResetProgress";
        QCOMPARE(shot.check(shown), QString());
        QCOMPARE(dialog.findChild<QLabel*>("lbPassResetStatus")->text(), status);
        QVERIFY(!shot.save().isEmpty());
        // The status text is drawn in its colour: green while validating, red after a failure.
        const QImage text = shot.image().copy(shot.rectOf("lbPassResetStatus"));
        bool green = false, red = false;
        for (int y = 0; y < text.height(); ++y)
            for (int x = 0; x < text.width(); ++x) {
                const QColor c = text.pixelColor(x, y);
                green = green || (c.green() > 120 && c.red() < 60);
                red = red || (c.red() > 180 && c.green() < 80);
            }
        QCOMPARE(green, answer < 0);
        QCOMPARE(red, answer >= 0);
    }
};

QTEST_MAIN(tst_AccountWindows)
#include "tst_AccountWindows.moc"
