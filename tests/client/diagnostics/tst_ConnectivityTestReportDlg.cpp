#include <ConnectivityTestReportDlg.h>
#include <MainHelpTab.h>
#include <NetworkCtlClient.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtTest>

Q_DECLARE_METATYPE(VpnServer)

namespace {

const QString Pass = QStringLiteral("color: #41AF41");
const QString Fail = QStringLiteral("color: #EB1C23");

SharedTestResults resultsOf(bool http, bool dns, bool nslookup, bool ping, bool confirm)
{
    auto results = std::make_shared<TestResultsContainer>();
    results->httpOk = http;
    results->dnsOk = dns;
    results->nslookupOk = nslookup;
    results->publicDnsPingOk = ping;
    results->confirmOk = confirm;
    return results;
}

VpnServer server(const QString& name, const QString& city, const QString& state, const QString& country)
{
    VpnServer s;
    s.host = QStringLiteral("10.0.0.1");
    s.name = name;
    s.city = city;
    s.state = state;
    s.country = country;
    return s;
}

} // namespace

class tst_ConnectivityTestReportDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void rowsAndAdvice_data();
    void rowsAndAdvice();
    void wifiBlock_data();
    void wifiBlock();
    void wifiButtonStaysDisabledUntilRefresh();
    void serverText_data();
    void serverText();
    void dockedAndRestored();
    void closeWithTabAlreadyRestored();
    void sendReportHandsOverResults();
    void refreshAfterNextRunStarted();

private:
    template <typename T>
    T* child(ConnectivityTestReportDlg& dlg, const char* name)
    {
        T* widget = dlg.findChild<T*>(QLatin1String(name));
        [&] { QVERIFY2(widget, name); }();
        return widget;
    }
};

void tst_ConnectivityTestReportDlg::initTestCase()
{
    NetworkCtlClient::initDetachedInstance(qApp)->takeReport(
        {"0", "1", "1", NetworkCtlClient::CONNECTION_WPA_2_WIFI_ENCRYPTION, "Cafe Net", "3", "1", "1"});
}

void tst_ConnectivityTestReportDlg::init()
{
    hMainHelp = MainHelpTab();
}

void tst_ConnectivityTestReportDlg::rowsAndAdvice_data()
{
    QTest::addColumn<SharedTestResults>("results");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("advice");
    QTest::addColumn<int>("alignment");

    const int left = Qt::AlignLeft | Qt::AlignVCenter;
    QTest::newRow("all passed") << resultsOf(true, true, true, true, true) << "PPPPP"
                                << "There is no visible problem with your network." << int(Qt::AlignCenter);
    QTest::newRow("all failed") << resultsOf(false, false, false, false, false) << "FFFFF"
                                << "does not appear to have an Internet connection" << left;
    QTest::newRow("no Internet wins over DNS") << resultsOf(true, false, false, true, true) << "PFPFP"
                                               << "does not appear to have an Internet connection" << left;
    QTest::newRow("no DNS") << resultsOf(true, false, true, true, false) << "PFPPF"
                            << "(like \"" OZM_TEST_DNS_ADVICE_SITE "\") into IP\naddresses (like " OZM_TEST_DNS_ADVICE_ADDRESS ")"
                            << left;
    QTest::newRow("rows only colour") << resultsOf(false, true, true, false, false) << "FPFPF"
                                      << "There is no visible problem with your network." << int(Qt::AlignCenter);
}

void tst_ConnectivityTestReportDlg::rowsAndAdvice()
{
    QFETCH(SharedTestResults, results);
    QFETCH(QString, words);
    QFETCH(QString, advice);
    QFETCH(int, alignment);

    ConnectivityTestReportDlg dlg;
    dlg.setResults(results, VpnServer());
    dlg.updateLabels();
    const char* rows[] = {"getTestLabel", "dnsTestLabel", "ping8888TestLabel", "dns8888TestLabel", "licenseSrvLabel"};
    for (int i = 0; i < 5; ++i) {
        auto* row = child<QLabel>(dlg, rows[i]);
        const bool passed = words.at(i) == 'P';
        QCOMPARE(row->text(), passed ? QStringLiteral("PASSED") : QStringLiteral("FAILED"));
        QCOMPARE(row->styleSheet(), passed ? Pass : Fail);
    }
    auto* suggestion = child<QLabel>(dlg, "suggestionLabel");
    QVERIFY2(suggestion->text().contains(advice), qPrintable(suggestion->text()));
    QCOMPARE(int(suggestion->alignment()), alignment);
}

void tst_ConnectivityTestReportDlg::wifiBlock_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<bool>("on");

    QTest::newRow("no adapter, flag on") << false << true;
    QTest::newRow("off") << true << false;
    QTest::newRow("on") << true << true;
}

void tst_ConnectivityTestReportDlg::wifiBlock()
{
    QFETCH(bool, present);
    QFETCH(bool, on);

    auto results = resultsOf(true, true, true, true, true);
    results->wifiAdapterPresent = present;
    results->wifiAdapterOn = on;
    ConnectivityTestReportDlg dlg;
    dlg.setResults(results, VpnServer());
    dlg.show();
    QCOMPARE(child<QWidget>(dlg, "wifiAdapterFrame")->isVisible(), present);
    if (!present)
        return;
    auto* status = child<QLabel>(dlg, "wifiAdapterStatus");
    auto* button = child<QPushButton>(dlg, "wifiEnablingButton");
    auto* ssid = child<QLabel>(dlg, "ssidLabel");
    QCOMPARE(status->text(), on ? QStringLiteral("Enabled") : QStringLiteral("Disabled"));
    QCOMPARE(status->styleSheet(), on ? Pass : Fail);
    QCOMPARE(button->isVisible(), !on);
    QVERIFY(button->isEnabled());
    QCOMPARE(ssid->isVisible(), on);
    if (on)
        QCOMPARE(ssid->text(), QStringLiteral("Local Network: Cafe Net"));
}

void tst_ConnectivityTestReportDlg::wifiButtonStaysDisabledUntilRefresh()
{
    auto results = resultsOf(true, true, true, true, true);
    results->wifiAdapterPresent = true;
    ConnectivityTestReportDlg dlg;
    dlg.setResults(results, VpnServer());
    dlg.show();
    QSignalSpy activate(&dlg, &ConnectivityTestReportDlg::activateWireless);
    auto* button = child<QPushButton>(dlg, "wifiEnablingButton");
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(activate.size(), 1);
    QVERIFY(!button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(activate.size(), 1);
    dlg.updateLabels();
    QVERIFY(button->isEnabled());
}

void tst_ConnectivityTestReportDlg::serverText_data()
{
    QTest::addColumn<VpnServer>("server");
    QTest::addColumn<QString>("text");

    QTest::newRow("all parts") << server("Alpha", "Oslo", "East", "Norway") << "Alpha, Oslo, East, Norway";
    QTest::newRow("no state") << server("Alpha", "Oslo", "", "Norway") << "Alpha, Oslo, Norway";
    QTest::newRow("name and state") << server("Alpha", "", "East", "") << "Alpha, East";
    QTest::newRow("no name") << server("", "Oslo", "", "Norway") << "Oslo, Norway";
    QTest::newRow("no host") << VpnServer() << "";
}

void tst_ConnectivityTestReportDlg::serverText()
{
    QFETCH(VpnServer, server);
    QFETCH(QString, text);

    ConnectivityTestReportDlg dlg;
    dlg.setResults(resultsOf(true, true, true, true, true), server);
    dlg.show();
    QCOMPARE(child<QWidget>(dlg, "serverFrame")->isVisible(), !text.isEmpty());
    if (!text.isEmpty())
        QCOMPARE(child<QLabel>(dlg, "serverNameLabel")->text(), text);
}

void tst_ConnectivityTestReportDlg::dockedAndRestored()
{
    QWidget host;
    host.setLayout(new QVBoxLayout);
    QStackedWidget topStack;
    topStack.addWidget(new QWidget);
    topStack.addWidget(new QWidget);
    QStackedWidget tabStack;
    tabStack.addWidget(new QWidget);
    tabStack.addWidget(new QWidget);
    hMainHelp.tabHost = &host;
    hMainHelp.topStack = &topStack;
    hMainHelp.tabStack = &tabStack;
    hMainHelp.state = 3;

    ConnectivityTestReportDlg dlg;
    dlg.setResults(resultsOf(true, true, true, true, true), VpnServer());
    dlg.display();
    QCOMPARE(hMainHelp.state, 0);
    QCOMPARE(dlg.parentWidget(), &host);
    QCOMPARE(tabStack.currentIndex(), 1);

    QTest::mouseClick(child<QPushButton>(dlg, "cancelButton"), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(topStack.currentIndex(), 1);
    QCOMPARE(tabStack.currentIndex(), 0);
    QVERIFY(!hMainHelp.topStack);
    dlg.setParent(nullptr);
}

void tst_ConnectivityTestReportDlg::closeWithTabAlreadyRestored()
{
    QStackedWidget tabStack;
    tabStack.addWidget(new QWidget);
    tabStack.addWidget(new QWidget);
    tabStack.setCurrentIndex(1);
    hMainHelp.tabStack = &tabStack;

    ConnectivityTestReportDlg dlg;
    dlg.setResults(resultsOf(true, true, true, true, true), VpnServer());
    dlg.display();
    QTest::mouseClick(child<QPushButton>(dlg, "cancelButton"), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(tabStack.currentIndex(), 1);
}

void tst_ConnectivityTestReportDlg::sendReportHandsOverResults()
{
    const SharedTestResults results = resultsOf(true, true, true, true, true);
    ConnectivityTestReportDlg dlg;
    dlg.setResults(results, VpnServer());
    dlg.display();
    QSignalSpy send(&dlg, &ConnectivityTestReportDlg::sendReport);
    QTest::mouseClick(child<QPushButton>(dlg, "sendReportButton"), Qt::LeftButton);
    QCOMPARE(send.size(), 1);
    QCOMPARE(send.at(0).at(0).value<SharedTestResults>(), results);
    QVERIFY(!dlg.isVisible());
}

// The run that produced the shown results lets go of them when the next run
// starts; a show of the docked dialog in between still reads them whole.
void tst_ConnectivityTestReportDlg::refreshAfterNextRunStarted()
{
    ConnectivityTestReportDlg dlg;
    {
        SharedTestResults run = resultsOf(true, true, true, true, false);
        dlg.setResults(run, VpnServer());
        dlg.display();
        dlg.hide();
    }
    SharedTestResults next = resultsOf(false, false, false, false, false);
    dlg.show();
    QCOMPARE(dlg.findChild<QLabel*>("getTestLabel")->text(), QStringLiteral("PASSED"));
    QCOMPARE(dlg.findChild<QLabel*>("licenseSrvLabel")->text(), QStringLiteral("FAILED"));
}

QTEST_MAIN(tst_ConnectivityTestReportDlg)
#include "tst_ConnectivityTestReportDlg.moc"
