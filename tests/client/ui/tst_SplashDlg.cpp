#include "UiTestKit.h"

#include <MainHelpTab.h>
#include <SplashDlg.h>

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

// The test tab as the Help window lends it: a host with a layout, the tab's
// stack and the window's outer stack.
struct LentTab
{
    LentTab()
    {
        new QVBoxLayout(host);
        tabStack->addWidget(new QWidget(tabStack));
        tabStack->addWidget(host);
        topStack->addWidget(new QWidget(topStack));
        topStack->addWidget(new QWidget(topStack));
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(topStack);
        layout->addWidget(tabStack);
        hMainHelp.tabStack = tabStack;
        hMainHelp.topStack = topStack;
        hMainHelp.tabHost = host;
        topStack->hide();
        window.resize(420, 320);
        window.show();
    }
    ~LentTab() { hMainHelp = MainHelpTab(); }

    QWidget window;
    QStackedWidget* tabStack = new QStackedWidget(&window);
    QWidget* host = new QWidget(tabStack);
    QStackedWidget* topStack = new QStackedWidget(&window);
};

int barValue(const SplashDlg& splash)
{
    return splash.findChild<QProgressBar*>(QStringLiteral("progressBar"))->value();
}

QPushButton* cancelButton(const SplashDlg& splash)
{
    return splash.findChild<QPushButton*>(QStringLiteral("cancelButton"));
}

} // namespace

class tst_SplashDlg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { UiTestKit::prepare(); }
    void cleanup() { hMainHelp = MainHelpTab(); }

    void form();
    void loopTicks_data();
    void loopTicks();
    void loopRunsOnItsTimer();
    void followsReportedProgress();
    void cancelSendsCancelTwice();
    void nonCancellableStays();
    void standsAloneWithoutTab();
    void docksIntoLentTab();
};

void tst_SplashDlg::form()
{
    SplashDlg splash(true, false, nullptr);
    QCOMPARE(splash.objectName(), QStringLiteral("SplashDlg"));
    QCOMPARE(splash.size(), QSize(300, 259));
    const auto* bar = splash.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    QCOMPARE(bar->size(), QSize(300, 15));
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QVERIFY(!bar->isTextVisible());
    QVERIFY(bar->isHidden());
    QCOMPARE(cancelButton(splash)->text(), QStringLiteral("Cancel"));
    QVERIFY(!cancelButton(splash)->isHidden());
    QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("titleLabel"))->text(), QString());
}

void tst_SplashDlg::loopTicks_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("value");

    QTest::newRow("first") << 1 << 0;
    QTest::newRow("100th") << 100 << 99;
    QTest::newRow("101st holds") << 101 << 99;
    QTest::newRow("102nd starts again") << 102 << 0;
    QTest::newRow("103rd") << 103 << 1;
}

void tst_SplashDlg::loopTicks()
{
    QFETCH(int, ticks);
    SplashDlg splash(true, true, nullptr);
    splash.progress(50);
    for (int tick = 0; tick < ticks; ++tick)
        splash.loopProgressBar();
    QTEST(barValue(splash), "value");
}

void tst_SplashDlg::loopRunsOnItsTimer()
{
    SplashDlg splash(true, true, nullptr);
    auto* timer = splash.findChild<QTimer*>();
    splash.runProgressBar(true);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 50);
    QSignalSpy ticks(timer, &QTimer::timeout);
    QVERIFY(ticks.wait(5000));
    QVERIFY(ticks.wait(5000));
    splash.runProgressBar(false);
    QVERIFY(!timer->isActive());
    QCOMPARE(barValue(splash), 1);
}

void tst_SplashDlg::followsReportedProgress()
{
    SplashDlg splash(true, true, nullptr);
    splash.progress(42);
    QCOMPARE(barValue(splash), 42);
}

void tst_SplashDlg::cancelSendsCancelTwice()
{
    SplashDlg splash(true, true, nullptr);
    QSignalSpy cancel(&splash, &SplashDlg::cancel);
    splash.display(QStringLiteral("Title"), QStringLiteral("Text"));
    splash.progress(60);
    QVERIFY(splash.isVisible());
    QTest::mouseClick(cancelButton(splash), Qt::LeftButton);
    // Once from the button, once from the close that follows.
    QCOMPARE(cancel.size(), 2);
    QCOMPARE(barValue(splash), 0);
    QVERIFY(!splash.isVisible());
    QVERIFY(!cancelButton(splash)->isEnabled());
    // Shown again, it can be cancelled again.
    splash.display(QStringLiteral("Title"), QStringLiteral("Text"));
    QVERIFY(cancelButton(splash)->isEnabled());
}

void tst_SplashDlg::nonCancellableStays()
{
    SplashDlg splash(false, true, nullptr);
    QSignalSpy cancel(&splash, &SplashDlg::cancel);
    splash.display(QStringLiteral("Title"), QStringLiteral("Text"));
    QVERIFY(cancelButton(splash)->isHidden());
    splash.progress(70);
    QTest::keyClick(&splash, Qt::Key_Escape);
    QVERIFY(splash.isVisible());
    QVERIFY(!splash.close());
    QVERIFY(splash.isVisible());
    // Closing only empties the bar.
    QCOMPARE(barValue(splash), 0);
    QCOMPARE(cancel.size(), 0);
}

void tst_SplashDlg::standsAloneWithoutTab()
{
    SplashDlg splash(true, true, nullptr);
    splash.display(QStringLiteral("Generating Report"), QStringLiteral("Please wait."));
    QVERIFY(splash.isWindow());
    QVERIFY(splash.isVisible());
    QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("titleLabel"))->text(), QStringLiteral("Generating Report"));
    QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("contentLabel"))->text(), QStringLiteral("Please wait."));
}

void tst_SplashDlg::docksIntoLentTab()
{
    const LentTab tab;
    auto splash = std::make_unique<SplashDlg>(true, true, nullptr);
    QSignalSpy cancel(splash.get(), &SplashDlg::cancel);
    splash->display(QStringLiteral("Title"), QStringLiteral("Text"));
    QCOMPARE(splash->parentWidget(), tab.host);
    QVERIFY(!splash->isWindow());
    QVERIFY(splash->isVisible());
    QCOMPARE(tab.tabStack->currentIndex(), 1);

    QTest::mouseClick(cancelButton(*splash), Qt::LeftButton);
    // The tab goes back to the Help window.
    QCOMPARE(tab.topStack->currentIndex(), 1);
    QCOMPARE(tab.tabStack->currentIndex(), 0);
    QVERIFY(!tab.topStack->isHidden());
    QCOMPARE(hMainHelp.topStack, nullptr);
    QVERIFY(!splash->isVisible());
    // The tab's page is gone before the close, so the close finds nothing shown to reject.
    QCOMPARE(cancel.size(), 1);
}

QTEST_MAIN(tst_SplashDlg)
#include "tst_SplashDlg.moc"
