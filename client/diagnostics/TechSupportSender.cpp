#include "TechSupportSender.h"

#include "ConnectivityTestMulti.h"
#include "ConnectivityTestSingle.h"

#include <AppConstants.h>
#include <ClientAuthData.h>
#include <Folders.h>
#include <MainHelpTab.h>
#include <NetTools.h>
#include <OzmApplication.h>
#include <SecretMasking.h>
#include <SystemFunctions.h>
#include <execute_manager.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QNetworkInterface>

const QString TechSupportSender::ReportFilename = QStringLiteral("ErrorReport_dd.MM.yyyy.hh.mm.txt");
const QString TechSupportSender::SaveFileFilter = QStringLiteral("Text files (*.txt)");

namespace {

constexpr int ClientBuildNumber = 5314;
constexpr int ReportNameWidth = 40;
const QString Separator = QStringLiteral("\n") + QString(80, QLatin1Char('_'));

QString resultWord(bool passed)
{
    return passed ? QStringLiteral("PASSED") : QStringLiteral("FAILED");
}

QString wifiAdapterText(const TestResultsContainer& results)
{
    if (!results.wifiAdapterPresent)
        return QStringLiteral("Absent");
    return results.wifiAdapterOn ? QStringLiteral("On") : QStringLiteral("Off");
}

QString ipv4Addresses()
{
    QStringList addresses;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
            || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                addresses << entry.ip().toString();
        }
    }
    return addresses.join(QStringLiteral(", "));
}

QString processList()
{
    QString output;
    execute_manager::execute_and_get_stdout(output, QStringLiteral("/bin/ps"), {QStringLiteral("auxw")}, nullptr);
    return output;
}

QString vpnLog()
{
    QFile file(Folders::app_data_folder + QDir::separator() + QStringLiteral("openvpn.log"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug("Failed to open openvpn.log");
        return QString();
    }
    QByteArray content = file.readAll();
    const int end = content.indexOf('\0');
    if (end >= 0)
        content.truncate(end);
    return QString::fromUtf8(content);
}

QString serverSection(const ServerTestRecord& record)
{
    return Separator + QStringLiteral("\nServer name: ") + record.name + QStringLiteral("\nServer IP: ") + record.ip
           + QStringLiteral("\nServer ping test: ") + resultWord(record.pingOk) + QStringLiteral("\nServer ping log:\n")
           + record.pingLog + QStringLiteral("\nServer traceroute Log:\n") + record.routeLog;
}

} // namespace

TechSupportSender::TechSupportSender(QObject* parent)
    : QObject(parent)
    , testSplash(true, true, nullptr)
    , reportSplash(true, true, nullptr)
{
    connect(&testSplash, &SplashDlg::cancel, this, &TechSupportSender::onCancelConnectivityTest);
    connect(&reportSplash, &SplashDlg::cancel, this, &TechSupportSender::onCancelGeneratingReport);
    connect(&testSplash, &SplashDlg::purgeMainHelpTabLayout, this, &TechSupportSender::purgeMainHelpTabLayout);
    connect(&reportSplash, &SplashDlg::purgeMainHelpTabLayout, this, &TechSupportSender::purgeMainHelpTabLayout);
}

void TechSupportSender::setServers(const QList<VpnServer>& servers)
{
    this->servers = servers;
}

void TechSupportSender::startConnectivityTest(VpnServer serverToTest)
{
    this->serverToTest = serverToTest;
    startTestRun();
}

void TechSupportSender::startConnectivityTest()
{
    serverToTest = VpnServer();
    startTestRun();
}

void TechSupportSender::restartConnectivityTest()
{
    startTestRun();
}

void TechSupportSender::startTestRun()
{
    testCanceled = false;
    results = std::make_shared<TestResultsContainer>();
    auto record = [](const VpnServer& server) {
        ServerTestRecord record;
        record.name = server.name;
        record.ip = server.host;
        return record;
    };
    if (!serverToTest.name.isEmpty())
        results->servers.append(record(serverToTest));
    for (const VpnServer& server : qAsConst(servers))
        results->servers.append(record(server));

    retire(singleTest);
    singleTest = new ConnectivityTestSingle(results, this);
    connect(singleTest, &ConnectivityTestInterface::finished, this, &TechSupportSender::onConnectTestFinished);
    connect(singleTest, &ConnectivityTestInterface::progress, &testSplash, &SplashDlg::progress);
    testSplash.display(tr("Performing Connectivity Test"),
                       gApplicationNameUI + QLatin1Char(' ') + tr("is checking the network.\nPlease wait."));
    singleTest->start();
}

void TechSupportSender::startReportGeneration()
{
    testCanceled = false;
    reportCanceled = false;
    // Before any test there is nothing to trace, but still a report to give.
    if (!results)
        results = std::make_shared<TestResultsContainer>();
    retire(multiTest);
    multiTest = new ConnectivityTestMulti(results, this);
    connect(multiTest, &ConnectivityTestInterface::finished, this, &TechSupportSender::onTracesFinished);
    connect(multiTest, &ConnectivityTestInterface::progress, &reportSplash, &SplashDlg::progress);
    reportSplash.display(tr("Generating Report"),
                         gApplicationNameUI + QLatin1Char(' ') + tr("is generating a technical report.\nPlease wait."));
    multiTest->start();
}

void TechSupportSender::retire(ConnectivityTestInterface* runner)
{
    if (!runner)
        return;
    runner->stop();
    runner->disconnect();
    connect(runner, &ConnectivityTestInterface::finished, runner, &QObject::deleteLater);
}

template <typename Runner>
Runner* TechSupportSender::finishedRunner(QPointer<Runner>& held)
{
    Runner* const runner = qobject_cast<Runner*>(sender());
    return runner && runner == held ? runner : nullptr;
}

void TechSupportSender::onConnectTestFinished()
{
    ConnectivityTestSingle* const runner = finishedRunner(singleTest);
    if (!runner)
        return;
    testSplash.accept();
    // Still inside the runner's own signal.
    runner->deleteLater();
    singleTest = nullptr;
    if (testCanceled)
        return;
    hMainHelp.state = 3;
    emit connectivityTestCompleted(runner->resultsOfRun(), serverToTest);
}

void TechSupportSender::onTracesFinished()
{
    ConnectivityTestMulti* const runner = finishedRunner(multiTest);
    if (!runner)
        return;
    reportSplash.accept();
    runner->deleteLater();
    multiTest = nullptr;
    if (testCanceled || reportCanceled)
        return;
    hMainHelp.state = 3;
    emit reportGenerated(generateReportString(runner->resultsOfRun().get()));
}

void TechSupportSender::onCancelConnectivityTest()
{
    testCanceled = true;
    if (singleTest)
        singleTest->stop();
}

void TechSupportSender::onCancelGeneratingReport()
{
    testCanceled = true;
    reportCanceled = true;
    if (multiTest)
        multiTest->stop();
}

QString TechSupportSender::generateReportString(TestResultsContainer* testResults)
{
    const TestResultsContainer& r = *testResults;
    const QString os = ozm::getOSVersion();
    qDebug().noquote() << "TechSupportSender [Get OS Version]:" << os;

    QString report;
    report += QStringLiteral("\nOS Version = ") + os;
    report += QStringLiteral("\nApplication Version = ") + QString::number(ClientBuildNumber);
    report += QStringLiteral("\nApplication Full Version = GIT_VERSION");
    report += QStringLiteral("\nMachine Name = ") + qEnvironmentVariable("HOSTNAME");
    report += QStringLiteral("\nLocal Device Id = ") + ClientAuthData::generateDeviceId(true);
    report += QStringLiteral("\nUser Name = ") + qEnvironmentVariable("USER");
    report += QStringLiteral("\nWiFi adapter = ") + wifiAdapterText(r);
    report += QStringLiteral("\nIP Address(es) = ") + ipv4Addresses();
    report += QStringLiteral("\nMAC Addresses are: ") + NetTools::getMacAddresses(QString());
    report += Separator + QStringLiteral("\nProcess List:\n") + processList();
    report += Separator + QStringLiteral("\nGET test: ") + resultWord(r.httpOk);
    report += QStringLiteral("\nDNS test: ") + resultWord(r.dnsOk);
    report += QStringLiteral("\nPing test: ") + resultWord(r.servicePingOk);
    report += QStringLiteral("\nPing 8.8.8.8 test: ") + resultWord(r.publicDnsPingOk);
    report += QStringLiteral("\nDNS 8.8.8.8 test: ") + resultWord(r.nslookupOk);
    report += Separator + QStringLiteral("\nHTTP Server ping log:\n") + r.servicePingLog;
    report += Separator + QStringLiteral("\n8.8.8.8 ping log:\n") + r.publicDnsPingLog;
    report += Separator + QStringLiteral("\nVPN Log:\n") + vpnLog();
    report += Separator + QStringLiteral("\nApplication Log:\n") + OzmApplication::getOzmLog();
    for (const ServerTestRecord& record : r.servers)
        report += serverSection(record);
    report += Separator + QStringLiteral("\nServer summary:");
    for (const ServerTestRecord& record : r.servers)
        report += QStringLiteral("\nServer: %1Ping: %2")
                      .arg(record.name.leftJustified(ReportNameWidth, QLatin1Char(' ')), resultWord(record.pingOk));
    // The process list shows every user's command lines, and the logs hold
    // whatever reached them.
    return maskSecrets(report);
}
