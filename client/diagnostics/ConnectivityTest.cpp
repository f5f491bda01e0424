#include "ConnectivityTest.h"

#include "ConnectivityTestReportDlg.h"
#include "SendReport.h"
#include "TechSupportSender.h"

#include <ConnectionChecker.h>
#include <MainHelpTab.h>
#include <NetworkCtlClient.h>
#include <SplashDlg.h>

#include <QGuiApplication>
#include <QLoggingCategory>

ConnectivityTest::ConnectivityTest(QObject* parent)
    : QObject(parent)
    , sendReport(std::make_unique<SendReport>(nullptr))
    , reportDlg(std::make_unique<ConnectivityTestReportDlg>(nullptr))
    , sender(std::make_unique<TechSupportSender>(nullptr))
{
    recheckTimer.setObjectName(QStringLiteral("recheckTimer"));
    recheckTimer.setSingleShot(true);
    recheckTimer.setInterval(RecheckMs);
    connect(&recheckTimer, &QTimer::timeout, this, &ConnectivityTest::startConnectionCheck);
    restartTimer.setObjectName(QStringLiteral("restartTimer"));
    restartTimer.setSingleShot(true);
    restartTimer.setInterval(RestartDelayMs);
    connect(&restartTimer, &QTimer::timeout, this, &ConnectivityTest::restartConnectivityTestWithDelay);

    // The sender reports on its own last run, whatever the dialog hands over.
    connect(reportDlg.get(), &ConnectivityTestReportDlg::sendReport, sender.get(),
            &TechSupportSender::startReportGeneration);
    connect(reportDlg.get(), &ConnectivityTestReportDlg::activateWireless, this, &ConnectivityTest::activateWireless);
    connect(reportDlg.get(), &ConnectivityTestReportDlg::purgeMainHelpTabLayout, this,
            &ConnectivityTest::purgeMainHelpTabLayout);
    connect(sender.get(), &TechSupportSender::connectivityTestCompleted, this,
            &ConnectivityTest::onConnectivityTestCompleted);
    connect(sender.get(), &TechSupportSender::reportGenerated, sendReport.get(), &SendReport::send);
    connect(sender.get(), &TechSupportSender::purgeMainHelpTabLayout, this, &ConnectivityTest::purgeMainHelpTabLayout);
    connect(this, &ConnectivityTest::cancelConnectivityTest, sender.get(), &TechSupportSender::onCancelConnectivityTest);
    connect(this, &ConnectivityTest::cancelGeneratingReport, sender.get(), &TechSupportSender::onCancelGeneratingReport);
}

ConnectivityTest::~ConnectivityTest()
{
    checker = nullptr;
    wifiSplash.reset();
    sender.reset();
    reportDlg.reset();
    sendReport.reset();
}

void ConnectivityTest::init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> auth)
{
    sendReport->init(std::move(access), std::move(auth));
}

void ConnectivityTest::setServers(const QList<VpnServer>& servers)
{
    sender->setServers(servers.mid(0, MaxServers));
}

void ConnectivityTest::start()
{
    sender->startConnectivityTest();
}

void ConnectivityTest::start(VpnServer server)
{
    sender->startConnectivityTest(server);
}

void ConnectivityTest::onConnectivityTestCompleted(SharedTestResults testResults, VpnServer server)
{
    reportDlg->setResults(std::move(testResults), server);
    reportDlg->display();
}

void ConnectivityTest::activateWireless()
{
    wifiSplash = std::make_unique<SplashDlg>(true, true, nullptr);
    wifiSplash->runProgressBar(true);
    emit purgeMainHelpTabLayout();
    wifiSplash->display(tr("Enabling Wi-Fi adapter..."),
                        tr("%1 is activating your Wi-Fi adapter.\nPlease wait.").arg(QGuiApplication::applicationDisplayName()));
    hMainHelp.state = 4;
    if (NetworkCtlClient* network = NetworkCtlClient::inst())
        network->activateWiFiAdapter();
    if (!checker) {
        checker = new ConnectionChecker(this);
        connect(checker, &ConnectionChecker::finished, this, &ConnectivityTest::setConnectionState);
    }
    // A wait already running starts over: its recheck and restart are dropped.
    recheckTimer.stop();
    restartTimer.stop();
    checker->start();
    wifiTimer.start();
}

void ConnectivityTest::setConnectionState(ConnectionPhysicalState state, bool httpLoginMayBeRequired)
{
    qDebug().noquote() << QStringLiteral("CT connection state: ConnectionPhysicalState(%1)").arg(static_cast<int>(state));
    hMainHelp.state = 0;
    // An answer to a wait that has already ended changes nothing.
    if (!wifiTimer.isValid())
        return;
    if (wifiTimer.elapsed() > WaitLimitMs) {
        qDebug() << "Failed to wait for connection to up";
    } else if (state != Connected && !httpLoginMayBeRequired) {
        recheckTimer.start();
        return;
    }
    wifiTimer.invalidate();
    delete checker.data();
    restartTimer.start();
}

void ConnectivityTest::startConnectionCheck()
{
    if (checker)
        checker->start();
}

void ConnectivityTest::restartConnectivityTestWithDelay()
{
    if (wifiSplash)
        wifiSplash->runProgressBar(false);
    // The Help window may have started a test during the wait; that run
    // already shows the adapter's new state and is left to finish.
    if (hMainHelp.state == RunningTest || hMainHelp.state == RunningTraces)
        return;
    emit purgeMainHelpTabLayout();
    sender->restartConnectivityTest();
}
