#include "MainHelp.h"
#include "MainHelpTab.h"
#include "OzmApplication.h"
#include "QtWarningsFail.h"
#include "UiTestKit.h"
#include "coBranding.h"

#include "DesktopRecorder.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTranslator>
#include <QVBoxLayout>

#include <memory>

namespace {

// A language whose support-hours text is empty.
class NoSupportHours : public QTranslator
{
public:
    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        return QByteArray(context) == "QObject" && QByteArray(sourceText).startsWith("We are committed")
                 ? QStringLiteral("")
                 : QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class tst_MainHelp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void displayShowsTheFirstTab();
    void runTestOnRequest();
    void secondRequestOnlyRaises_data();
    void secondRequestOnlyRaises();
    void closeGivesTheTabBack_data();
    void closeGivesTheTabBack();
    void testTabButtons();
    void requests();
    void supportAddress_data();
    void supportAddress();
    void feedbackAddress_data();
    void feedbackAddress();
    void pagesFollowTheBrand();
    void emptySupportHoursRemoveTheLabel();

private:
    template<typename T> T* child(const char* name) const { return m_help->findChild<T*>(name); }
    QTabWidget* tabs() const { return child<QTabWidget>("tabWidget"); }
    QStackedWidget* buttons() const { return child<QStackedWidget>("swButtons"); }
    QStackedWidget* testPages() const { return child<QStackedWidget>("connectTestWidget"); }
    // What the connectivity test docks into the tab when it starts.
    QPointer<QWidget> dock();
    static void expectRefusal(const QString& address)
    {
        QtWarningsFail::expect(QtWarningMsg, "Refused to open an address outside the program: \"" + address + '"');
    }

    std::unique_ptr<MainHelp> m_help;
    DesktopRecorder m_desktop;
};

void tst_MainHelp::initTestCase()
{
    UiTestKit::prepare();
    OzmApplication::windowTitle_ = "Ozmira";
}

void tst_MainHelp::init()
{
    hMainHelp = MainHelpTab();
    m_help = std::make_unique<MainHelp>();
    m_desktop.opened.clear();
}

void tst_MainHelp::cleanup()
{
    m_help.reset();
    coBranding::inst()->revertAllBrandItemsToDefValues(false);
}

QPointer<QWidget> tst_MainHelp::dock()
{
    auto* docked = new QLabel("Performing Connectivity Test", hMainHelp.tabHost);
    hMainHelp.tabHost->layout()->addWidget(docked);
    return docked;
}

void tst_MainHelp::displayShowsTheFirstTab()
{
    QCOMPARE(m_help->windowTitle(), QString("Ozmira - Help"));
    m_help->displayAndRunConnectivityTest();
    QPointer<QWidget> docked = dock();
    hMainHelp.state = 3;
    buttons()->setCurrentIndex(2);

    m_help->display();
    QVERIFY(m_help->isVisible());
    QCOMPARE(tabs()->currentIndex(), 0);
    QCOMPARE(buttons()->currentIndex(), 0);
    QVERIFY(buttons()->isVisible());
    QCOMPARE(testPages()->currentIndex(), 0);
    QCOMPARE(hMainHelp.topStack, nullptr);
    QCOMPARE(hMainHelp.tabHost->layout()->count(), 0);
    // The docked dialog belongs to the connectivity test.
    QVERIFY(docked);
    delete docked;
}

void tst_MainHelp::runTestOnRequest()
{
    QSignalSpy started(m_help.get(), &MainHelp::connectivityTestActivated);
    m_help->displayAndRunConnectivityTest();

    QCOMPARE(started.count(), 1);
    QCOMPARE(tabs()->currentIndex(), 2);
    QCOMPARE(testPages()->currentWidget()->objectName(), QString("resultPage"));
    QCOMPARE(hMainHelp.tabHost, child<QWidget>("resultPage"));
    QCOMPARE(hMainHelp.topStack, buttons());
    QCOMPARE(hMainHelp.tabStack, testPages());
    QVERIFY(!buttons()->isVisible());

    // Another tab and back: the test keeps the tab and the buttons stay away.
    tabs()->setCurrentIndex(1);
    QVERIFY(buttons()->isVisible());
    QCOMPARE(buttons()->currentIndex(), 0);
    tabs()->setCurrentIndex(2);
    QVERIFY(!buttons()->isVisible());
    QCOMPARE(buttons()->currentIndex(), 1);
}

void tst_MainHelp::secondRequestOnlyRaises_data()
{
    QTest::addColumn<int>("state");
    for (int state : {1, 2, 3, 4})
        QTest::addRow("state %d", state) << state;
}

void tst_MainHelp::secondRequestOnlyRaises()
{
    QFETCH(int, state);
    m_help->display();
    tabs()->setCurrentIndex(3);
    hMainHelp.state = state;
    QSignalSpy started(m_help.get(), &MainHelp::connectivityTestActivated);

    m_help->displayAndRunConnectivityTest();
    QCOMPARE(started.count(), 0);
    QCOMPARE(tabs()->currentIndex(), 3);
    QCOMPARE(hMainHelp.tabHost, nullptr);
}

void tst_MainHelp::closeGivesTheTabBack_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("docked");
    QTest::addColumn<int>("testCancels");
    QTest::addColumn<int>("reportCancels");
    QTest::addColumn<QString>("log");

    QTest::newRow("test running") << 1 << true << 1 << 0 << "MainHelp: Connectivity Test canceled";
    QTest::newRow("report running") << 2 << true << 0 << 1 << "MainHelp: Generating Report canceled";
    QTest::newRow("finished") << 3 << true << 0 << 0 << "";
    QTest::newRow("enabling Wi-Fi") << 4 << true << 0 << 0 << "";
    QTest::newRow("idle") << 0 << false << 0 << 0 << "";
    QTest::newRow("test running, tab already given back") << 1 << false << 1 << 0
                                                         << "MainHelp: Connectivity Test canceled";
}

void tst_MainHelp::closeGivesTheTabBack()
{
    QFETCH(int, state);
    QFETCH(bool, docked);
    QFETCH(int, testCancels);
    QFETCH(int, reportCancels);
    QFETCH(QString, log);
    m_help->displayAndRunConnectivityTest();
    QPointer<QWidget> dialog = dock();
    if (!docked)
        hMainHelp.topStack = nullptr;
    hMainHelp.state = state;
    QSignalSpy testCancelled(m_help.get(), &MainHelp::cancelConnectivityTest);
    QSignalSpy reportCancelled(m_help.get(), &MainHelp::cancelGeneratingReport);
    if (!log.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, qPrintable(log));
    QTest::ignoreMessage(QtDebugMsg, "MainHelp screen is closed by [X] button");

    QVERIFY(m_help->close());
    QCOMPARE(testCancelled.count(), testCancels);
    QCOMPARE(reportCancelled.count(), reportCancels);
    QCOMPARE(hMainHelp.state, 0);
    QCOMPARE(child<QWidget>("resultPage")->layout()->count(), 0);
    QVERIFY(dialog);
    if (docked) {
        QCOMPARE(buttons()->currentIndex(), 1);
        QVERIFY(!buttons()->isHidden());
        QCOMPARE(testPages()->currentIndex(), 0);
        QCOMPARE(hMainHelp.tabHost, nullptr);
        QCOMPARE(hMainHelp.topStack, nullptr);
        QCOMPARE(hMainHelp.tabStack, nullptr);
    }
    delete dialog;
}

void tst_MainHelp::testTabButtons()
{
    m_help->display();
    tabs()->setCurrentIndex(2);
    QCOMPARE(buttons()->currentIndex(), 1);
    QVERIFY(buttons()->isVisible());
    buttons()->setCurrentIndex(2);
    child<QPushButton>("cancelBtn")->click();
    QCOMPARE(buttons()->currentIndex(), 1);

    QSignalSpy started(m_help.get(), &MainHelp::connectivityTestActivated);
    child<QPushButton>("testBtn")->click();
    QCOMPARE(started.count(), 1);
    QVERIFY(!buttons()->isVisible());
    QCOMPARE(testPages()->currentIndex(), 1);

    QTest::ignoreMessage(QtDebugMsg, "MainHelp screen is closed by [X] button");
    child<QPushButton>("closeBtn_2")->click();
    QVERIFY(!m_help->isVisible());
}

void tst_MainHelp::requests()
{
    QSignalSpy browse(m_help.get(), &MainHelp::browse);
    QSignalSpy guide(m_help.get(), &MainHelp::quickStartActivated);
    m_help->display();
    for (const char* name : {"helpButton", "faqButton", "btnPrivacyTipsOpen", "quickStartButton"})
        child<QPushButton>(name)->click();
    QCOMPARE(browse.count(), 3);
    QCOMPARE(browse.at(0).first().value<OnlineContentTypes>(), OnlineHelp);
    QCOMPARE(browse.at(1).first().value<OnlineContentTypes>(), OnlineFaq);
    QCOMPARE(browse.at(2).first().value<OnlineContentTypes>(), OnlinePrivacyTips);
    QCOMPARE(guide.count(), 1);
    QCOMPARE(tabs()->width(), 505);
}

void tst_MainHelp::supportAddress_data()
{
    QTest::addColumn<QString>("brand");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("opened");

    QTest::newRow("address") << "support@example.net" << "support@example.net" << "mailto:support@example.net";
    QTest::newRow("support page") << "https://support.example.net/ask" << "https://support.example.net/ask"
                                  << "https://support.example.net/ask";
    QTest::newRow("address with a subject") << "support@example.net?subject=x" << "support@example.net?subject=x"
                                            << "";
    QTest::newRow("two addresses") << "a@example.net,b@example.net" << "a@example.net,b@example.net" << "";
    QTest::newRow("a local file") << "file:///etc/passwd" << "file:///etc/passwd" << "";
    QTest::newRow("script") << "javascript:alert(1)" << "javascript:alert(1)" << "";
    QTest::newRow("an ampersand is no shortcut") << "R&D@example.net" << "R&&D@example.net" << "";
    QTest::newRow("empty") << "" << "" << "";
}

void tst_MainHelp::supportAddress()
{
    QFETCH(QString, brand);
    QFETCH(QString, shown);
    QFETCH(QString, opened);
    QVERIFY(coBranding::inst()->support_email->setStrData(brand, false));
    m_help->display();
    tabs()->setCurrentIndex(1);
    auto* button = child<QPushButton>("btnSupportEmail");
    QCOMPARE(button->text(), shown);

    if (opened.isEmpty())
        expectRefusal(brand.contains('@') ? "mailto:" + brand : brand);
    button->click();
    QCOMPARE(m_desktop.opened, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
}

void tst_MainHelp::feedbackAddress_data()
{
    QTest::addColumn<QString>("brand");
    QTest::addColumn<QString>("opened");

    QTest::newRow("address") << "feedback@example.net" << "mailto:feedback@example.net";
    QTest::newRow("with a body") << "feedback@example.net?body=x" << "";
    QTest::newRow("with a second address") << "feedback@example.net&to=x@example.org" << "";
    QTest::newRow("a web page") << "https://example.net/" << "";
    QTest::newRow("empty") << "" << "";
}

void tst_MainHelp::feedbackAddress()
{
    QFETCH(QString, brand);
    QFETCH(QString, opened);
    QVERIFY(coBranding::inst()->feedback_email->setStrData(brand, false));
    m_help->display();
    tabs()->setCurrentIndex(3);
    auto* button = child<QPushButton>("btnFeedbacLink");
    QCOMPARE(button->text(), QString(brand).replace("&", "&&"));

    if (opened.isEmpty())
        expectRefusal("mailto:" + brand);
    button->click();
    QCOMPARE(m_desktop.opened, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
}

void tst_MainHelp::pagesFollowTheBrand()
{
    m_help->display();
    tabs()->setCurrentIndex(1);
    QVERIFY(coBranding::inst()->support_email->setStrData("help@partner.example", false));
    QVERIFY(coBranding::inst()->feedback_email->setStrData("ideas@partner.example", false));
    QVERIFY(child<QPushButton>("btnSupportEmail")->text() != "help@partner.example");

    tabs()->setCurrentIndex(3);
    tabs()->setCurrentIndex(1);
    QCOMPARE(child<QPushButton>("btnSupportEmail")->text(), QString("help@partner.example"));
    QCOMPARE(child<QPushButton>("btnFeedbacLink")->text(), QString("ideas@partner.example"));
}

void tst_MainHelp::emptySupportHoursRemoveTheLabel()
{
    auto* hours = child<QLabel>("lbSupport1");
    QVERIFY(hours->text().startsWith("We are committed"));
    QVERIFY(hours->parentWidget()->layout()->indexOf(hours) >= 0);

    NoSupportHours language;
    QCoreApplication::installTranslator(&language);
    QtWarningsFail::expect(QtWarningMsg, "QString::arg: 3 argument(s) missing in ");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    QCoreApplication::removeTranslator(&language);
    QVERIFY(hours->text().isEmpty());
    QCOMPARE(hours->parentWidget()->layout()->indexOf(hours), -1);
    QVERIFY(hours->isHidden());
    QCOMPARE(child<QPushButton>("btnSupportEmail")->text(), coBranding::inst()->support_email->getStrData());
}

QTEST_MAIN(tst_MainHelp)
#include "tst_MainHelp.moc"
