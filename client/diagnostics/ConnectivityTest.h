#pragma once

#include "TestResultsContainer.h"

#include <ConnectionPhysicalState.h>
#include <VpnServer.h>

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QTimer>

#include <memory>

class ClientAuthData;
class ConnectionChecker;
class ConnectivityTestReportDlg;
class HttpAccess;
class SendReport;
class SplashDlg;
class TechSupportSender;

// The diagnostics' front: runs a test when asked, shows its results, turns the
// result dialog's requests into a report or a switched-on Wi-Fi adapter, and
// after a switch-on waits for the network before it runs the test again.
class ConnectivityTest : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxServers = 5;
    static constexpr int RecheckMs = 1000;
    static constexpr int WaitLimitMs = 15000;
    static constexpr int RestartDelayMs = 2000;

    explicit ConnectivityTest(QObject* parent = nullptr);
    ~ConnectivityTest() override;

    void init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> auth);
    void setServers(const QList<VpnServer>& servers);

    // For the application's tests and its window tool.
    ConnectivityTestReportDlg* resultDialog() const { return reportDlg.get(); }
    SendReport* sendReportDialog() const { return sendReport.get(); }
    TechSupportSender* supportSender() const { return sender.get(); }

signals:
    void purgeMainHelpTabLayout();
    void cancelConnectivityTest();
    void cancelGeneratingReport();

public slots:
    void start();
    void start(VpnServer server);
    void onConnectivityTestCompleted(SharedTestResults testResults, VpnServer server);
    void activateWireless();
    void setConnectionState(ConnectionPhysicalState state, bool httpLoginMayBeRequired);
    void startConnectionCheck();
    void restartConnectivityTestWithDelay();

private:
    // The test tab's states of a run in progress.
    static constexpr qint32 RunningTest = 1;
    static constexpr qint32 RunningTraces = 2;

    std::unique_ptr<SendReport> sendReport;
    std::unique_ptr<ConnectivityTestReportDlg> reportDlg;
    std::unique_ptr<TechSupportSender> sender;
    std::unique_ptr<SplashDlg> wifiSplash;
    QElapsedTimer wifiTimer;
    QPointer<ConnectionChecker> checker;
    // One wait at a time: a second switch-on restarts these rather than
    // starting a second chain of rechecks and a second restart.
    QTimer recheckTimer{this};
    QTimer restartTimer{this};
};
