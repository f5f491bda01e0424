// The main window's screens as a person sees them, grabbed from a private X server.
#include "UiTestKit.h"
#include "Welcome.h"
#include "WindowShot.h"

#include <QPushButton>
#include <QTest>

class tst_WelcomeWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void screens_data()
    {
        QTest::addColumn<int>("screen");
        QTest::addColumn<QList<QVariant>>("args");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QColor>("colour");

        const QStringList header{"lbLogoImage", "lbWelcome", "lbWelcomeText"};
        QTest::newRow("activated") << int(Welcome::ScreenActivated) << QList<QVariant>{false}
                                   << header + QStringList{"label_7"} << "widgetEncrypted" << QColor("#0EA34B");
        QTest::newRow("activating") << int(Welcome::ScreenActivating) << QList<QVariant>{}
                                    << header + QStringList{"label_31", "lbConnecting", "cancelActivationButton"}
                                    << "widgetActivating" << QColor("#EDC43B");
        QTest::newRow("secure") << int(Welcome::ScreenSecured) << QList<QVariant>{}
                                << header + QStringList{"label_5", "lbNoSecureIsNeeded"} << "widgetSecure"
                                << QColor("#1371B7");
        QTest::newRow("disconnected") << int(Welcome::ScreenDisconnected) << QList<QVariant>{}
                                      << header + QStringList{"label_9", "label_20", "btnRunConnectivityTest"} << ""
                                      << QColor();
        QTest::newRow("expired") << int(Welcome::ScreenExpired)
                                 << QList<QVariant>{false, "Your subscription has expired", "Renew to stay protected.", "Buy now"}
                                 << QStringList{"lbLogoImage", "expiredHeaderLbl_2", "buyInfoLbl_2", "btnBuy_6",
                                                "expiredFooterLbl_2", "lbSeeGuide"}
                                 << "" << QColor();
    }

    void screens()
    {
        QFETCH(int, screen);
        QFETCH(QList<QVariant>, args);
        QFETCH(QStringList, shown);
        QFETCH(QString, panel);
        QFETCH(QColor, colour);

        Welcome window;
        window.startInitialOpening();
        window.finishInitialOpening();
        window.move(100, 60);
        window.show();
        window.setActivatingServer(QStringLiteral("Frankfurt"));
        window.showScreen(Welcome::ScreenType(screen), args);
        const WindowShot shot(&window);
        const QString saved = shot.save();
        QVERIFY(!saved.isEmpty());
        QCOMPARE(shot.check(shown), QString());
        QVERIFY2(shot.image().width() >= 465, qPrintable(saved));
        if (!panel.isEmpty()) {
            const QRect area = shot.rectOf(panel);
            QVERIFY(!area.isNull());
            QCOMPARE(shot.colourAt(area.bottomLeft() + QPoint(3, -3)), colour);
            QCOMPARE(shot.colourAt(area.bottomRight() - QPoint(3, 3)), colour);
        }
    }

    // The service refused the password: its field wears the red frame.
    void passwordErrorFrame()
    {
        Welcome window;
        window.startInitialOpening();
        window.finishInitialOpening();
        window.move(100, 60);
        window.show();
        window.showDevicePrompt(QStringLiteral("me@example.com"), true, QStringLiteral("box"));
        window.showIncorrectPassword(1);
        QWidget* password = window.findChild<QWidget*>(QStringLiteral("lePassword"));
        QVERIFY(QTest::qWaitForWindowActive(&window));
        password->setFocus();
        const WindowShot shot(&window);
        QVERIFY(!shot.save().isEmpty());
        QCOMPARE(shot.check({"lePassword", "passwordMatchErrorLbl", "leDeviceId"}), QString());
        const QRect field = shot.rectOf(QStringLiteral("lePassword"));
        QCOMPARE(shot.colourAt(QPoint(field.center().x(), field.top())), QColor("#FD3737"));
        QCOMPARE(shot.colourAt(QPoint(field.left(), field.center().y())), QColor("#FD3737"));
    }

    // Both pages of the expired screen offer to buy.
    void expiredBuyButtons()
    {
        Welcome window;
        window.startInitialOpening();
        window.finishInitialOpening();
        window.move(100, 60);
        window.show();
        window.showSubscriptionInactive({}, HttpCommandCode::AccountExpired, {});
        const WindowShot first(&window);
        const QString saved = first.save();
        QVERIFY(!saved.isEmpty());
        QCOMPARE(first.check({"expiredHeaderLbl_2", "buyInfoLbl_2", "btnBuy_6", "btnExpiredNoThanks_2"}), QString());
        window.findChild<QPushButton*>(QStringLiteral("btnExpiredNoThanks_2"))->click();
        const WindowShot second(&window);
        QVERIFY(second.saveTo(QString(saved).replace(".png", "-no-thanks.png")));
        QCOMPARE(second.check({"btnBuy_7", "expiredFooterLbl_2"}), QString());
    }
};

QTEST_MAIN(tst_WelcomeWindow)
#include "tst_WelcomeWindow.moc"
