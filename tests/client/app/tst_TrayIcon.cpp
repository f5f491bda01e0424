#include "TrayIcon.h"
#include "UiTestKit.h"

#include <AppConstants.h>
#include <ImageCache.h>
#include <NetworkCtlClient.h>
#include <UnlimitedSubscription.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

// Network reports in the backend's order of values.
const QStringList SecuredNetwork{"0", "1", "1", "Wired connection", "", "0", "1", "0"};
const QStringList UnsecuredNetwork{"0", "0", "1", "Unencrypted wireless", "Airport Free", "1", "1", "1"};

QStringList entries(const TrayIcon& tray)
{
    QStringList texts;
    for (const QAction* action : tray.contextMenu()->actions())
        texts << action->text();
    return texts;
}

QAction* entry(const TrayIcon& tray, const QString& text)
{
    for (QAction* action : tray.contextMenu()->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

QImage imageOf(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage();
}

const QStringList Others{"Status", "Usage", "Settings", "Account", "Help", "About", "Quit"};

} // namespace

class tst_TrayIcon : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void followsState_data();
    void followsState();
    void unknownStateKeepsEntry();
    void canDeactivate();
    void disabledActivateStaysWhereItIs();
    void accountFollowsSubscription();
    void clicks();
    void menuDrawsIconsAt22();
    void noNetworkClientCountsAsUnsecured();
};

void tst_TrayIcon::initTestCase()
{
    UiTestKit::prepare();
}

void tst_TrayIcon::cleanup()
{
    NetworkCtlClient::dropInstance();
}

void tst_TrayIcon::followsState_data()
{
    QTest::addColumn<QStringList>("network");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("shownState");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("statusImage");
    QTest::addColumn<QString>("first");

    QTest::newRow("disconnected") << UnsecuredNetwork << 0 << 0 << ": Disconnected" << "trayDisconnected" << "Activate";
    QTest::newRow("secure on a secured network")
        << SecuredNetwork << 1 << 1 << ": Secure" << "traySecure" << "Activate";
    QTest::newRow("secure on an unsecured network is deactivated")
        << UnsecuredNetwork << 1 << 2 << ": Deactivated" << "trayDeactivated" << "Activate";
    QTest::newRow("deactivated on a secured network is secure")
        << SecuredNetwork << 2 << 1 << ": Secure" << "traySecure" << "Activate";
    QTest::newRow("deactivated") << UnsecuredNetwork << 2 << 2 << ": Deactivated" << "trayDeactivated" << "Activate";
    QTest::newRow("activating") << UnsecuredNetwork << 3 << 3 << ": Activating" << "trayTransition"
                                << "Stop activating";
    QTest::newRow("activated") << UnsecuredNetwork << 4 << 4 << ": Activated" << "trayActivated" << "Deactivate";
    QTest::newRow("deactivating: no activation entry")
        << UnsecuredNetwork << 5 << 5 << ": Deactivating" << "trayTransition" << "Status";
}

void tst_TrayIcon::followsState()
{
    QFETCH(QStringList, network);
    QFETCH(int, state);
    QFETCH(int, shownState);
    QFETCH(QString, toolTip);
    QFETCH(QString, statusImage);
    QFETCH(QString, first);

    NetworkCtlClient::initDetachedInstance(qApp)->takeReport(network);
    TrayIcon tray;
    // From an activated state first, so that every row shows which entry replaces which.
    tray.onActivationState(Activated);
    tray.onActivationState(ActivationState(state));

    QCOMPARE(tray.toolTip(), gApplicationNameUI + toolTip + "\nClick for menu");
    QCOMPARE(tray.icon().cacheKey(), ImageCache::loadTrayIcon(ActivationState(shownState)).cacheKey());
    QCOMPARE(imageOf(entry(tray, "Status")->icon()), imageOf(QIcon(":/Images/" + statusImage + ".png")));
    const QStringList expected = first == "Status" ? Others : QStringList{first} + Others;
    QCOMPARE(entries(tray), expected);
}

void tst_TrayIcon::unknownStateKeepsEntry()
{
    TrayIcon tray;
    tray.onActivationState(Activating);
    tray.onActivationState(ActivationState(7));
    QCOMPARE(tray.toolTip(), gApplicationNameUI + "\nClick for menu");
    QCOMPARE(imageOf(entry(tray, "Status")->icon()), imageOf(QIcon(":/Images/trayTransition.png")));
    QCOMPARE(entries(tray), QStringList{"Stop activating"} + Others);
}

void tst_TrayIcon::canDeactivate()
{
    TrayIcon tray;
    tray.onActivationState(Activated);
    tray.onCanDeactivateChanged(false);
    QCOMPARE(entries(tray), Others);
    tray.onActivationState(Deactivated);
    QCOMPARE(entries(tray), Others);
    tray.onActivationState(Activated);
    tray.onCanDeactivateChanged(true);
    QCOMPARE(entries(tray), QStringList{"Deactivate"} + Others);
}

void tst_TrayIcon::disabledActivateStaysWhereItIs()
{
    TrayIcon tray;
    tray.enableActivate(false);
    tray.updateMenu();
    QCOMPARE(entries(tray), QStringList{"Activate"} + Others);
    QVERIFY(!entry(tray, "Activate")->isEnabled());

    tray.onActivationState(Activated);
    tray.onActivationState(Disconnected);
    QCOMPARE(entries(tray), Others);
}

void tst_TrayIcon::accountFollowsSubscription()
{
    TrayIcon tray;
    tray.onSubscriptionChanged(SubscriptionPointer());
    QVERIFY(!entry(tray, "Account")->isEnabled());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    tray.onSubscriptionChanged(SubscriptionPointer(new UnlimitedSubscription("Year", "unlimited", now, now.addDays(365), 365, 365, 0)));
    QVERIFY(entry(tray, "Account")->isEnabled());
    tray.onSubscriptionChanged(SubscriptionPointer(new UnlimitedSubscription("None", "unlimited", now, QDateTime(), -1, -1, 0)));
    QVERIFY(!entry(tray, "Account")->isEnabled());
    QCOMPARE(entries(tray), QStringList{"Activate"} + Others);
}

void tst_TrayIcon::clicks()
{
    TrayIcon tray;
    QSignalSpy status(&tray, &TrayIcon::status);
    QMenu* menu = tray.contextMenu();

    tray.trayIconClicked(QSystemTrayIcon::Trigger);
    QVERIFY(menu->isVisible());
    tray.trayIconClicked(QSystemTrayIcon::DoubleClick);
    QCOMPARE(status.count(), 1);
    QVERIFY(menu->isVisible());
    tray.trayIconClicked(QSystemTrayIcon::Trigger);
    QVERIFY(!menu->isVisible());
    tray.trayIconClicked(QSystemTrayIcon::Context);
    QVERIFY(menu->isVisible());
    tray.trayIconClicked(QSystemTrayIcon::MiddleClick);
    QVERIFY(menu->isVisible());
    menu->hide();

    // The system's own context menu is an empty one: the client pops its menu itself.
    QVERIFY(tray.QSystemTrayIcon::contextMenu());
    QVERIFY(tray.QSystemTrayIcon::contextMenu()->actions().isEmpty());
}

void tst_TrayIcon::menuDrawsIconsAt22()
{
    TrayIcon tray;
    QStyle* style = tray.contextMenu()->style();
    QCOMPARE(style->pixelMetric(QStyle::PM_SmallIconSize), 22);
    QCOMPARE(style->pixelMetric(QStyle::PM_ButtonMargin), QApplication::style()->pixelMetric(QStyle::PM_ButtonMargin));
}

// At quit the network client goes before the windows; showing the menu or a
// change of language must not reach for it.
void tst_TrayIcon::noNetworkClientCountsAsUnsecured()
{
    TrayIcon tray;
    tray.onActivationState(StateSecure);
    QCOMPARE(tray.toolTip(), gApplicationNameUI + ": Deactivated\nClick for menu");
    tray.updateLocalizedUi();
    emit tray.contextMenu()->aboutToShow();
    QCOMPARE(tray.toolTip(), gApplicationNameUI + ": Deactivated\nClick for menu");
}

QTEST_MAIN(tst_TrayIcon)
#include "tst_TrayIcon.moc"
