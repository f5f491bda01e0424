// The account window following the shared account data, as the user reads it.
#include "Account.h"
#include "Clock.h"
#include "MeteredSubscription.h"
#include "OzmApplication.h"
#include "UiTestKit.h"
#include "UnlimitedSubscription.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

namespace {

const QDateTime Now(QDate(2026, 3, 10), QTime(12, 0), Qt::UTC);

SubscriptionPointer unlimited(float leftDays, int daysToEnd = 30, const QString& name = "Premium year")
{
    return SubscriptionPointer(new UnlimitedSubscription(name, "Premium", Now.addDays(-300), Now.addDays(daysToEnd),
                                                         365, leftDays, 0));
}

SubscriptionPointer metered()
{
    return SubscriptionPointer(new MeteredSubscription("", "Pay as you go", 300 * 1024 * 1024, 1024 * 1024 * 1024));
}

} // namespace

class tst_Account : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UiTestKit::prepare();
        OzmApplication::windowTitleShort_ = "Ozmira";
        Clock::pin(Now);
    }
    void init()
    {
        data = QSharedPointer<ClientAuthData>::create();
        window = std::make_unique<Account>();
        window->init(data);
    }
    void cleanup()
    {
        window.reset();
        data.reset();
    }

    void waitsForData()
    {
        QCOMPARE(window->windowTitle(), QString("Ozmira - Account"));
        for (const char* name : {"lbAccount", "email", "deviceName", "devicesAuthNumber", "devicesRegNumber"})
            QCOMPARE(label(name)->text(), QString("Identifying"));
    }

    void devicesNumber_data()
    {
        QTest::addColumn<uint>("limit");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none") << 0u << "0";
        QTest::newRow("999") << 999u << "999";
        QTest::newRow("1000") << 1000u << "Unlimited";
        QTest::newRow("above") << 4000000000u << "Unlimited";
    }
    void devicesNumber()
    {
        QFETCH(uint, limit);
        QFETCH(QString, shown);
        data->setDevicesNumber(limit, 7);
        QCOMPARE(label("devicesAuthNumber")->text(), shown);
        QCOMPARE(label("devicesRegNumber")->text(), QString("7"));
    }

    void deviceName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        const QString a36(36, 'a'), b4(4, 'b');
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
        QTest::newRow("36 characters") << a36 << a36;
        QTest::newRow("40 without a blank") << a36 + b4 << a36 + "\n" + b4;
        QTest::newRow("80 without a blank") << a36 + a36 + b4 + b4 << a36 + "\n" + a36 + "\n" + b4 + b4;
        QTest::newRow("blank at 20, 40 long") << QString(20, 'a') + " " + QString(19, 'b')
                                            << QString(20, 'a') + " " + QString(19, 'b');
        // From the blank at 20 on, the 36th position after it takes the break.
        QTest::newRow("blank at 20, 60 long") << QString(20, 'a') + " " + QString(39, 'b')
                                            << QString(20, 'a') + " " + QString(35, 'b') + "\n" + QString(4, 'b');
        QTest::newRow("no-break space counts") << QString(20, 'a') + QChar(0xA0) + QString(19, 'b')
                                             << QString(20, 'a') + QChar(0xA0) + QString(19, 'b');
        QTest::newRow("emoji at the boundary") << QString(35, 'a') + emoji + "bcd"
                                             << QString(35, 'a') + emoji + "\nbcd";
        QTest::newRow("emoji across the boundary") << QString(36, 'a') + emoji << a36 + "\n" + emoji;
        QTest::newRow("markup stays text") << "<b>Desk</b>" << "<b>Desk</b>";
    }
    void deviceName()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        data->setDevName(name);
        QCOMPARE(label("deviceName")->text(), shown);
        QCOMPARE(label("deviceName")->textFormat(), Qt::PlainText);
    }

    void emailIsPlainText()
    {
        data->setEmail("<img src=x>@example.org");
        QCOMPARE(label("email")->text(), QString("<img src=x>@example.org"));
        QCOMPARE(label("email")->textFormat(), Qt::PlainText);
    }

    void subscriptionLook_data()
    {
        QTest::addColumn<SubscriptionPointer>("subscription");
        QTest::addColumn<QString>("account");
        QTest::addColumn<bool>("expiryShown");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("rows");
        const int left = int(Qt::AlignLeft | Qt::AlignVCenter);
        QTest::newRow("unlimited, running") << unlimited(30) << "Premium year" << true << "" << int(Qt::AlignCenter) << 5;
        QTest::newRow("unlimited, far end") << unlimited(500, 500) << "Premium year" << false << "" << int(Qt::AlignCenter)
                                            << 5;
        QTest::newRow("unlimited, no name") << unlimited(30, 30, "") << "Premium" << true << "" << int(Qt::AlignCenter) << 5;
        QTest::newRow("unlimited, expired") << unlimited(0, -2) << "Premium year" << true << "subsExpiredPanel" << left << 5;
        QTest::newRow("metered") << metered() << "Pay as you go" << true << "paygPanel" << -1 << 4;
    }
    void subscriptionLook()
    {
        QFETCH(SubscriptionPointer, subscription);
        QFETCH(QString, account);
        QFETCH(bool, expiryShown);
        QFETCH(QString, actions);
        QFETCH(int, alignment);
        QFETCH(int, rows);
        window->display();
        data->setSubscription(subscription);
        QCOMPARE(label("lbAccount")->text(), account);
        QCOMPARE(label("lbExpiration")->isVisible(), expiryShown);
        auto* stack = window->findChild<QStackedWidget*>("actionButtonsStack");
        QCOMPARE(stack->isVisible(), !actions.isEmpty());
        if (!actions.isEmpty())
            QCOMPARE(stack->currentWidget()->objectName(), actions);
        if (alignment >= 0)
            QCOMPARE(int(label("lbExpiration")->alignment()), alignment);
        QCOMPARE(form()->rowCount(), rows);
        QCOMPARE(label("devicesAuth")->isVisible(), rows == 5);
    }

    // The "Devices authorized" row leaves for a metered subscription and comes
    // back as the fourth row, once, however often a subscription is applied.
    void devicesAuthorizedRowComesBackOnce()
    {
        window->display();
        const QList<SubscriptionPointer> sequence{unlimited(30), unlimited(30), metered(), metered(), unlimited(30),
                                                  metered(), unlimited(0, -2), unlimited(30)};
        for (const SubscriptionPointer& subscription : sequence) {
            data->setSubscription(subscription);
            const bool counted = subscription->type() == UnlimitedSubscription::Type;
            QCOMPARE(form()->rowCount(), counted ? 5 : 4);
            if (counted) {
                QCOMPARE(form()->itemAt(3, QFormLayout::LabelRole)->widget(), label("devicesAuth"));
                QCOMPARE(form()->itemAt(3, QFormLayout::FieldRole)->widget(), label("devicesAuthNumber"));
                QCOMPARE(form()->itemAt(4, QFormLayout::LabelRole)->widget(), label("devicesReg"));
            }
        }
    }

    void everyOpeningRefreshes()
    {
        QSignalSpy refresh(window.get(), &Account::updateSubscription);
        window->display();
        QCOMPARE(refresh.count(), 1);
        window->display();
        QCOMPARE(refresh.count(), 2);
        window->close();
        window->display();
        QCOMPARE(refresh.count(), 3);
    }

    void nullSubscriptionCloses()
    {
        window->display();
        data->setSubscription(unlimited(30));
        QVERIFY(window->isVisible());
        data->setSubscription(SubscriptionPointer());
        QVERIFY(!window->isVisible());
    }

    void invalidSubscriptionShowsNothing()
    {
        data->setSubscription(SubscriptionPointer(new MeteredSubscription("Broken", "Pay", -1, -1)));
        QCOMPARE(label("lbAccount")->text(), QString("Identifying"));
        QCOMPARE(form()->rowCount(), 5);
    }

    void buttons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("signal");
        QTest::newRow("top up") << "btnTopUpNow" << QByteArray(SIGNAL(buy()));
        QTest::newRow("renew") << "btnSubscriptionExpired" << QByteArray(SIGNAL(buy()));
        QTest::newRow("password") << "btnChngPasswd" << QByteArray(SIGNAL(showChangePasswd()));
        QTest::newRow("management") << "btnAdminPage" << QByteArray(SIGNAL(openAccountManagementPage()));
    }
    void buttons()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, signal);
        QSignalSpy spy(window.get(), signal.constData());
        window->findChild<QPushButton*>(button)->click();
        QCOMPARE(spy.count(), 1);
    }

    void closeButtonCloses()
    {
        window->display();
        window->findChild<QPushButton*>("close")->click();
        QVERIFY(!window->isVisible());
    }

private:
    QLabel* label(const char* name) const { return window->findChild<QLabel*>(name); }
    QFormLayout* form() const { return window->findChild<QFormLayout*>("accountLayout"); }

    QSharedPointer<ClientAuthData> data;
    std::unique_ptr<Account> window;
};

QTEST_MAIN(tst_Account)
#include "tst_Account.moc"
