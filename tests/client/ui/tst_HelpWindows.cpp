// The help window as a person sees it, each tab grabbed from a private X server.
#include "AccessibleTree.h"
#include "MainHelp.h"
#include "MainHelpTab.h"
#include "OzmApplication.h"
#include "UiTestKit.h"
#include "WindowShot.h"

#include <QJsonDocument>
#include <QLabel>
#include <QLayout>
#include <QTabWidget>
#include <QTest>

class tst_HelpWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UiTestKit::prepare();
        OzmApplication::windowTitle_ = "Ozmira";
    }

    void everyTab_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QStringList>("widgets");
        QTest::newRow("online help") << 0
                                     << QStringList{"lbLogoImage", "label_5", "quickStartButton", "helpButton",
                                                    "faqButton", "btnPrivacyTipsOpen", "closeButton"};
        QTest::newRow("customer support") << 1 << QStringList{"lbSupport1", "Email_static", "btnSupportEmail",
                                                              "closeButton"};
        QTest::newRow("connectivity test") << 2 << QStringList{"label", "testBtn", "closeBtn_2"};
        QTest::newRow("feedback") << 3 << QStringList{"feedbackLabel", "btnFeedbacLink", "closeButton"};
    }

    void everyTab()
    {
        QFETCH(int, tab);
        QFETCH(QStringList, widgets);
        MainHelp help;
        help.display();
        auto* tabs = help.findChild<QTabWidget*>("tabWidget");
        tabs->setCurrentIndex(tab);
        QVERIFY(QTest::qWaitForWindowExposed(&help));

        const WindowShot shot(&help);
        QCOMPARE(shot.check(widgets + QStringList{"tabWidget", "wgtHmbrgrMenu"}), QString());
        QVERIFY(!shot.save().isEmpty());
        QCOMPARE(shot.rectOf("tabWidget").width(), 505);
        // The buttons run along the bottom, under the tab's content.
        const QString close = tab == 2 ? "closeBtn_2" : "closeButton";
        QVERIFY(shot.rectOf(close).top() > shot.rectOf(widgets.first()).bottom());
        QVERIFY(shot.rectOf(close).bottom() < shot.image().height());

        const QString tree = QString::fromUtf8(QJsonDocument(AccessibleTree::visibleTopLevels()).toJson());
        QVERIFY(tree.contains("Ozmira - Help"));
        QVERIFY(tree.contains(tabs->tabText(tab)));
    }

    void testDockedInTheTab()
    {
        MainHelp help;
        hMainHelp = MainHelpTab();
        help.displayAndRunConnectivityTest();
        auto* docked = new QLabel("Performing Connectivity Test", hMainHelp.tabHost);
        docked->setObjectName("dockedDialog");
        docked->setMinimumSize(300, 200);
        docked->setStyleSheet("background: white; border: 1px solid #DBDBDB;");
        hMainHelp.tabHost->layout()->addWidget(docked);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QVERIFY(QTest::qWaitForWindowExposed(&help));

        const WindowShot shot(&help);
        QCOMPARE(shot.check({"dockedDialog", "tabWidget"}), QString());
        QVERIFY(shot.rectOf("swButtons").isNull());
        QVERIFY(!shot.save().isEmpty());
        hMainHelp.state = 0;
        delete docked;
    }
};

QTEST_MAIN(tst_HelpWindows)
#include "tst_HelpWindows.moc"
