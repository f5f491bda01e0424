// The status window over the state feed, the network reports and the location
// feed, as a person would see it change.
#include "Status.h"
#include "UiTestKit.h"
#include "fake/CountingWarningSound.h"
#include "fake/ScriptedWifiNameProbe.h"

#include <NetworkCtlClient.h>
#include <OzmApplication.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// The backend's network reports: physical state, secured, enabled, type, Wi-Fi name, its security, adapter, power.
const QStringList WiredUnsecured{"0", "0", "1", "Wired connection", "", "0", "1", "0"};
const QStringList WiredSecured{"0", "1", "1", "Wired connection", "", "0", "1", "0"};
const QStringList OpenWifi{"0", "0", "1", "Unencrypted wireless", "Airport Free", "1", "1", "1"};
const QStringList HomeWifi{"0", "1", "1", "WPA/2 wifi encryption", "Home", "4", "1", "1"};

QStringList withWifiName(QStringList report, const QString& name)
{
    report[4] = name;
    return report;
}

} // namespace


class tst_Status : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { UiTestKit::prepare(); }
    void init();
    void cleanup();

    void pages_data();
    void pages();
    void repeatsDoNotShowAgain_data();
    void repeatsDoNotShowAgain();
    void timeConnected();
    void insecureWifiWarnsOnce();
    void locationWhileActivating();
    void activatingServer();
    void closesItselfOnlyWhenItOpenedItself();
    void notBlinkSuppressesOnlyTheAutomaticShow();
    void closingTellsTheShell_data();
    void closingTellsTheShell();
    void wifiName_data();
    void wifiName();
    void withoutNetworkClient();

private:
    // A new window over the network the client holds now.
    void makeWindow();
    QLabel* label(const char* name) const { return status->findChild<QLabel*>(name); }
    QStringList signalsOfClick(QPushButton* button);
    QTimer* timer(const char* name) const { return status->findChild<QTimer*>(name); }
    int page(const char* stack) const { return status->findChild<QStackedWidget*>(stack)->currentIndex(); }

    std::unique_ptr<Status> status;
    ScriptedWifiNameProbe* probe = nullptr;
    CountingWarningSound* sound = nullptr;
};

void tst_Status::init()
{
    NetworkCtlClient::initDetachedInstance(nullptr);
    OzmApplication::notBlinkVudevo_ = false;
    makeWindow();
}

void tst_Status::cleanup()
{
    status.reset();
    NetworkCtlClient::dropInstance();
    OzmApplication::notBlinkVudevo_ = false;
}

void tst_Status::makeWindow()
{
    auto scripted = std::make_unique<ScriptedWifiNameProbe>();
    auto counting = std::make_unique<CountingWarningSound>();
    probe = scripted.get();
    sound = counting.get();
    status.reset();
    status = std::make_unique<Status>(nullptr, std::move(scripted), std::move(counting));
}

void tst_Status::pages_data()
{
    QTest::addColumn<QStringList>("network");
    QTest::addColumn<ActivationState>("state");
    QTest::addColumn<int>("banner");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<QString>("locationCaption");
    QTest::addColumn<QStringList>("buttonSignals");
    const QStringList activate{"activate()"};
    const QStringList deactivate{"deactivate()", "disableStatusShowing()"};
    const QStringList cancel{"cancelActivate()", "disableStatusShowing()"};
    QTest::newRow("disconnected") << WiredUnsecured << Disconnected << 6 << 0 << "Location" << activate;
    QTest::newRow("secure") << WiredSecured << StateSecure << 4 << 0 << "Location" << activate;
    QTest::newRow("deactivated on wire") << WiredUnsecured << Deactivated << 0 << 0 << "Location" << activate;
    QTest::newRow("deactivated, secured: blue") << HomeWifi << Deactivated << 4 << 0 << "Location" << activate;
    QTest::newRow("deactivated, open Wi-Fi: red") << OpenWifi << Deactivated << 5 << 0 << "Location" << activate;
    QTest::newRow("activating") << WiredUnsecured << Activating << 1 << 1 << "Location" << cancel;
    QTest::newRow("activated") << WiredUnsecured << Activated << 2 << 2 << "Virtual Location" << deactivate;
    QTest::newRow("deactivating") << WiredUnsecured << Deactivating << 3 << 2 << "Location" << deactivate;
}

// Each state's banner and the one button that fits it; the Server row never shows.
void tst_Status::pages()
{
    QFETCH(QStringList, network);
    QFETCH(ActivationState, state);
    QFETCH(int, banner);
    QFETCH(int, bottom);
    QFETCH(QString, locationCaption);
    QFETCH(QStringList, buttonSignals);
    NetworkCtlClient::inst()->takeReport(network);
    status->setActivationState(state);
    status->show();
    QCOMPARE(page("swTop"), banner);
    QCOMPARE(page("swBottom"), bottom);
    QCOMPARE(label("lbLocationCapt")->text(), locationCaption);
    QCOMPARE(label("lbIpAddressCapt")->text(), locationCaption == "Location" ? "IP Address" : "Virtual IP Address");
    QVERIFY(!label("lbServer")->isVisible());
    QVERIFY(!label("lbServerCapt")->isVisible());
    QCOMPARE(status->windowTitle(), OzmApplication::windowTitleShort_ + " - Status");

    const QStringList sent = signalsOfClick(
        status->findChild<QStackedWidget*>("swBottom")->currentWidget()->findChild<QPushButton*>());
    QCOMPARE(sent, buttonSignals);
}

// The window's signals, in the order a click sends them.
QStringList tst_Status::signalsOfClick(QPushButton* button)
{
    QStringList sent;
    QObject receiver;
    connect(status.get(), &Status::activate, &receiver, [&] { sent << "activate()"; });
    connect(status.get(), &Status::deactivate, &receiver, [&] { sent << "deactivate()"; });
    connect(status.get(), &Status::cancelActivate, &receiver, [&] { sent << "cancelActivate()"; });
    connect(status.get(), &Status::disableStatusShowing, &receiver, [&] { sent << "disableStatusShowing()"; });
    connect(status.get(), &Status::enableStatusShowing, &receiver, [&] { sent << "enableStatusShowing()"; });
    if (button)
        button->click();
    else
        status->close();
    return sent;
}

void tst_Status::repeatsDoNotShowAgain_data()
{
    QTest::addColumn<ActivationState>("state");
    QTest::addColumn<bool>("shownFirst");
    QTest::addColumn<bool>("shownAgain");
    QTest::newRow("secure shows never") << StateSecure << false << false;
    QTest::newRow("activating") << Activating << true << false;
    QTest::newRow("activated") << Activated << true << false;
    QTest::newRow("deactivating is no repeat") << Deactivating << true << true;
}

void tst_Status::repeatsDoNotShowAgain()
{
    QFETCH(ActivationState, state);
    QFETCH(bool, shownFirst);
    QFETCH(bool, shownAgain);
    NetworkCtlClient::inst()->takeReport(WiredSecured);
    status->onWelcomeClosed();
    status->setActivationState(state);
    QCOMPARE(status->isVisible(), shownFirst);
    status->hide();
    status->setActivationState(state);
    QCOMPARE(status->isVisible(), shownAgain);
}

// The row reads one second at once, and only a change to Activated restarts it.
void tst_Status::timeConnected()
{
    QLabel* const time = label("lbTimeConnected");
    QVERIFY(time->isHidden());
    status->setActivationState(Activated);
    QVERIFY(!time->isHidden());
    QVERIFY(!label("lbTimeConnectionCapt")->isHidden());
    QCOMPARE(time->text(), "00:00:01");
    QVERIFY(timer("timeConnectedTimer")->isActive());
    QCOMPARE(timer("timeConnectedTimer")->interval(), 1000);
    for (int tick = 0; tick < 3660; ++tick)
        status->onTimeConnectedTick();
    QCOMPARE(time->text(), "01:01:01");
    status->setActivationState(Activated);
    QCOMPARE(time->text(), "01:01:01");
    status->setActivationState(Deactivating);
    QVERIFY(time->isHidden());
    QVERIFY(!timer("timeConnectedTimer")->isActive());
}

// Left unprotected on an open network: red, shown, one tone 200 ms later, and
// none for the same page drawn again.
void tst_Status::insecureWifiWarnsOnce()
{
    status->onWelcomeClosed();
    status->setActivationState(Activated);
    status->hide();
    NetworkCtlClient::inst()->takeReport(OpenWifi);
    status->setActivationState(Deactivated);
    QCOMPARE(page("swTop"), 5);
    QCOMPARE(label("lbSSID")->styleSheet(), "color: #D6002D");
    QCOMPARE(label("lbSSID")->text(), "Airport Free");
    QCOMPARE(timer("soundTimer")->interval(), 200);
    QCOMPARE(sound->plays, 0);
    QTRY_COMPARE(sound->plays, 1);
    QVERIFY(status->isVisible());

    status->setActivationState(Deactivated);
    NetworkCtlClient::inst()->takeReport(OpenWifi);
    QCOMPARE(page("swTop"), 5);
    QVERIFY(!timer("soundTimer")->isActive());
    QCOMPARE(sound->plays, 1);

    NetworkCtlClient::inst()->takeReport(HomeWifi);
    QCOMPARE(page("swTop"), 4);
    QCOMPARE(label("lbSSID")->styleSheet(), "color: #6D6F71");
}

void tst_Status::locationWhileActivating()
{
    QCOMPARE(label("lbLocation")->text(), "Identifying");
    status->setLocation(Location{"192.0.2.7", "Berlin, Germany", "DE"});
    QCOMPARE(label("lbLocation")->text(), "Berlin, Germany");
    QCOMPARE(label("lbIpAddress")->text(), "<pre>192.0.2.7</pre>");

    status->setActivationState(Activating);
    QTest::ignoreMessage(QtDebugMsg, "Status: [location update] : ip = 198.51.100.1 description = Paris, France");
    QTest::ignoreMessage(QtDebugMsg, "Status: [location update] : keep current due to ActivationStateActivating "
                                     "ip = 192.0.2.7 description = Berlin, Germany");
    status->setLocation(Location{"198.51.100.1", "Paris, France", "FR"});
    QCOMPARE(label("lbLocation")->text(), "Berlin, Germany");

    QTest::ignoreMessage(QtDebugMsg, "Status: [location update] : ip = Identifying description = Identifying");
    status->setLocation(Location());
    QCOMPARE(label("lbLocation")->text(), "Identifying");
    QCOMPARE(label("lbIpAddress")->text(), "Identifying");

    status->setActivationState(Deactivated);
    status->setLocation(Location{"", "", ""});
    QCOMPARE(label("lbLocation")->text(), "Unknown");
    QCOMPARE(label("lbIpAddress")->text(), "Unknown");
}

void tst_Status::activatingServer()
{
    QLabel* const connecting = label("lbConnecting");
    QCOMPARE(connecting->text(), "Connecting to secure server in ...");
    status->setActivatingServer(QStringLiteral("Frankfurt"));
    QCOMPARE(connecting->text(), "Connecting to secure server in Frankfurt");
    status->setActivatingServer(QString());
    QCOMPARE(connecting->text(), "Connecting to secure server in ...");
}

void tst_Status::closesItselfOnlyWhenItOpenedItself()
{
    // Opened by hand, it stays.
    status->onWelcomeClosed();
    status->displayByManualClick();
    status->setActivationState(Activated);
    QVERIFY(!timer("closeTimer")->isActive());
    status->closeIfMust();
    QVERIFY(status->isVisible());

    // Hidden, or minimised, when the good state came: not closed later.
    makeWindow();
    status->display();
    status->hide();
    status->setActivationState(Activated);
    QVERIFY(!timer("closeTimer")->isActive());
    makeWindow();
    status->display();
    status->showMinimized();
    status->setActivationState(Activated);
    QVERIFY(!timer("closeTimer")->isActive());

    // Shown by the change itself: gone 5000 ms later.
    makeWindow();
    status->onWelcomeClosed();
    status->setActivationState(Activating);
    QVERIFY(status->isVisible());
    status->setActivationState(Activated);
    QVERIFY(timer("closeTimer")->isActive());
    QCOMPARE(timer("closeTimer")->interval(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!status->isVisible(), 30000);
}

void tst_Status::notBlinkSuppressesOnlyTheAutomaticShow()
{
    OzmApplication::notBlinkVudevo_ = true;
    status->onWelcomeClosed();
    status->setActivationState(Activating);
    QVERIFY(!status->isVisible());
    status->displayByManualClick();
    QVERIFY(status->isVisible());
}

void tst_Status::closingTellsTheShell_data()
{
    QTest::addColumn<QStringList>("network");
    QTest::addColumn<ActivationState>("state");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("secure") << WiredSecured << StateSecure << QStringList{"disableStatusShowing()"};
    QTest::newRow("activating") << WiredUnsecured << Activating << QStringList{"enableStatusShowing()"};
    QTest::newRow("activated") << WiredUnsecured << Activated << QStringList{"enableStatusShowing()"};
    QTest::newRow("deactivated") << WiredUnsecured << Deactivated << QStringList();
}

void tst_Status::closingTellsTheShell()
{
    QFETCH(QStringList, network);
    QFETCH(ActivationState, state);
    QFETCH(QStringList, expected);
    NetworkCtlClient::inst()->takeReport(network);
    status->setActivationState(state);
    status->displayByManualClick();
    QCOMPARE(signalsOfClick(nullptr), expected);
    QVERIFY(!status->isVisible());
}

void tst_Status::wifiName_data()
{
    QTest::addColumn<QStringList>("network");
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("questions");
    QTest::newRow("wired never asks") << WiredSecured << QStringList{"eth0"} << "Wired" << 0;
    QTest::newRow("name from the report") << HomeWifi << QStringList{"wlan0"} << "Home" << 0;
    QTest::newRow("hostile name shown literally")
        << withWifiName(HomeWifi, "<h1>Encrypted</h1>") << QStringList() << "<h1>Encrypted</h1>" << 0;
    QTest::newRow("asked device by device")
        << withWifiName(HomeWifi, "") << QStringList{"eth0", "wlan0", "wlan1"} << "Upstairs" << 2;
    QTest::newRow("nobody answers") << withWifiName(HomeWifi, "") << QStringList{"eth0"} << "undefined" << 1;
}

void tst_Status::wifiName()
{
    QFETCH(QStringList, network);
    QFETCH(QStringList, devices);
    QFETCH(QString, shown);
    QFETCH(int, questions);
    probe->devices = devices;
    probe->names = {{"wlan0", "Upstairs"}, {"wlan1", "Downstairs"}};
    NetworkCtlClient::inst()->takeReport(network);
    probe->questions = 0;
    status->setActivationState(StateSecure);
    QCOMPARE(label("lbSSID")->text(), shown);
    QCOMPARE(label("lbSSID")->textFormat(), Qt::PlainText);
    QCOMPARE(probe->questions, questions);
}

// No network state client: the window still works, on what it cannot know.
void tst_Status::withoutNetworkClient()
{
    status.reset();
    NetworkCtlClient::dropInstance();
    makeWindow();
    status->setActivationState(Deactivated);
    QCOMPARE(page("swTop"), 0);
    QCOMPARE(label("lbSecurity")->text(), "Unknown connection type");
    status->setActivationState(StateSecure);
    QCOMPARE(page("swTop"), 0);
}

QTEST_MAIN(tst_Status)
#include "tst_Status.moc"
