// The result, send-report and Wi-Fi dialogs as a person sees them, grabbed
// from a private X server.
#include "HelpTestTab.h"
#include "UiTestKit.h"
#include "WindowShot.h"

#include <ConnectivityTestReportDlg.h>
#include <EnablingWiFiDlg.h>
#include <MainHelpTab.h>
#include <NetworkCtlClient.h>
#include <SendReport.h>

#include <QLabel>
#include <QLineEdit>
#include <QTest>

class tst_DiagnosticsWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UiTestKit::prepare();
        NetworkCtlClient::initDetachedInstance(qApp);
    }

    void resultsWithWifiOff()
    {
        auto results = std::make_shared<TestResultsContainer>();
        results->httpOk = true;
        results->wifiAdapterPresent = true;
        VpnServer server;
        server.host = "10.0.0.1";
        server.name = "Alpha";
        server.city = "Oslo";
        server.country = "Norway";
        ConnectivityTestReportDlg dlg;
        dlg.setResults(results, server);
        dlg.display();
        const WindowShot shot(&dlg);
        QCOMPARE(shot.check({"serverNameLabel", "getTestLabel", "dnsTestLabel", "ping8888TestLabel",
                             "dns8888TestLabel", "licenseSrvLabel", "wifiAdapterStatus", "wifiEnablingButton",
                             "suggestionLabel", "sendReportButton", "cancelButton"}),
                 QString());
        QCOMPARE(shot.colourAt(shot.rectOf("buttonPanel").center()), QColor(Qt::white));
        QVERIFY(!shot.save().isEmpty());
    }

    void resultsDockedAllPassed()
    {
        HelpTestTab tab(QSize(680, 560));

        auto results = std::make_shared<TestResultsContainer>();
        results->httpOk = results->dnsOk = results->nslookupOk = results->publicDnsPingOk = results->confirmOk = true;
        ConnectivityTestReportDlg dlg;
        dlg.setResults(results, VpnServer());
        dlg.display();
        const WindowShot shot(&tab);
        QCOMPARE(shot.check({"getTestLabel", "licenseSrvLabel", "suggestionLabel", "cancelButton"}), QString());
        QVERIFY(tab.rect().contains(dlg.geometry()));
        QVERIFY(!shot.save().isEmpty());
        dlg.setParent(nullptr);
    }

    void sendReportForm()
    {
        SendReport dlg;
        dlg.send("report");
        dlg.findChild<QLineEdit*>("leEmail")->setText("a+b@x.org");
        const WindowShot shot(&dlg);
        QCOMPARE(shot.check({"label_5", "leName", "leEmail", "leSubject", "ptMessage", "btnClose1", "btnSend"}),
                 QString());
        QVERIFY(!shot.save().isEmpty());
    }

    void wifiNotice()
    {
        EnablingWiFiDlg dlg;
        dlg.display();
        dlg.updateLabel();
        const WindowShot shot(&dlg);
        QCOMPARE(shot.check({"dotsLabel"}), QString());
        QVERIFY(!shot.save().isEmpty());
    }
};

QTEST_MAIN(tst_DiagnosticsWindows)
#include "tst_DiagnosticsWindows.moc"
