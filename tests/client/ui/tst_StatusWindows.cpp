// The status window in each of its seven states, About and the update notice,
// as a person sees them on a private X server.
#include "About.h"
#include "Status.h"
#include "UiTestKit.h"
#include "UpdateNotify.h"
#include "WindowShot.h"
#include "fake/CountingWarningSound.h"
#include "fake/ScriptedWifiNameProbe.h"

#include <ClientConfig.h>
#include <Folders.h>
#include <NetworkCtlClient.h>
#include <coBranding.h>

#include <QTemporaryDir>
#include <QTest>


class tst_StatusWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { NetworkCtlClient::dropInstance(); }

    void statusBanners_data();
    void statusBanners();
    void about();
    void update();

private:
    QTemporaryDir m_data;
};

void tst_StatusWindows::initTestCase()
{
    UiTestKit::prepare();
    QVERIFY(m_data.isValid());
    Folders::setAppDataFolder(m_data.path());
    coBranding::inst()->loadDefaultImages();
    NetworkCtlClient::initDetachedInstance(nullptr);
}

void tst_StatusWindows::statusBanners_data()
{
    const QStringList wiredUnsecured{"0", "0", "1", "Wired connection", "", "0", "1", "0"};
    const QStringList wiredSecured{"0", "1", "1", "Wired connection", "", "0", "1", "0"};
    const QStringList openWifi{"0", "0", "1", "Unencrypted wireless", "Airport Free", "1", "1", "1"};
    QTest::addColumn<QStringList>("network");
    QTest::addColumn<ActivationState>("state");
    QTest::addColumn<QColor>("banner");
    QTest::newRow("0-deactivated") << wiredUnsecured << Deactivated << QColor("#D6002D");
    QTest::newRow("1-activating") << wiredUnsecured << Activating << QColor("#EDC43B");
    QTest::newRow("2-activated") << wiredUnsecured << Activated << QColor("#0EA34B");
    QTest::newRow("3-deactivating") << wiredUnsecured << Deactivating << QColor("#EDC43B");
    QTest::newRow("4-secure") << wiredSecured << StateSecure << QColor("#1371B7");
    QTest::newRow("5-unsecure") << openWifi << Deactivated << QColor("#D6002D");
    QTest::newRow("6-disconnected") << wiredUnsecured << Disconnected << QColor("#BBBBBB");
}

void tst_StatusWindows::statusBanners()
{
    QFETCH(QStringList, network);
    QFETCH(ActivationState, state);
    QFETCH(QColor, banner);
    NetworkCtlClient::inst()->takeReport(network);
    Status status(nullptr, std::make_unique<ScriptedWifiNameProbe>(), std::make_unique<CountingWarningSound>());
    status.setLocation(Location{"192.0.2.7", "Berlin, Germany", "DE"});
    status.setActivatingServer(QStringLiteral("Frankfurt"));
    status.setActivationState(state);
    status.move(100, 100);
    status.displayByManualClick();

    const WindowShot shot(&status);
    QCOMPARE(shot.check({"lbLogoImage", "swTop", "lbLocation", "lbIpAddress", "lbSecurity", "btnClose"}), QString());
    const QRect banner_ = shot.rectOf("swTop");
    QCOMPARE(banner_.width(), 440);
    QCOMPARE(shot.colourAt(banner_.topLeft() + QPoint(3, 3)), banner);
    QCOMPARE(shot.colourAt(banner_.bottomRight() - QPoint(3, 3)), banner);
    QVERIFY(!shot.save().isEmpty());
}

void tst_StatusWindows::about()
{
    About about;
    about.move(100, 100);
    about.display();
    const WindowShot shot(&about);
    QCOMPARE(shot.check({"lbLogoImage", "lbVersion", "lbBuild", "lbInfo", "lbCopyright", "btnClose"}), QString());
    QVERIFY(!shot.save().isEmpty());
}

void tst_StatusWindows::update()
{
    ClientConfig::instanceClient()->setLastHiddenVersion(0);
    QPointer<UpdateNotify> notice =
        new UpdateNotify("Faster connections and a clearer status window.", "https://example.invalid/ozm.dmg", 5400);
    notice->move(100, 100);
    notice->display();
    {
        const WindowShot shot(notice);
        QCOMPARE(shot.check({"lbLogoImage", "lbUpdateCaption", "lbUpdateDescription", "lbUpdateToDo", "btnUpdate",
                             "cbDontShowAgain", "btnCancel"}),
                 QString());
        QVERIFY(!shot.save().isEmpty());
    }
    notice->close();
    QTRY_VERIFY(notice.isNull());
}

QTEST_MAIN(tst_StatusWindows)
#include "tst_StatusWindows.moc"
