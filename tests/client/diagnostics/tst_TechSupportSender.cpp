#include "ScriptedProbes.h"

#include <ApiTestKit.h>
#include <ClientAuthData.h>
#include <ConnectivityTestSingle.h>
#include <Folders.h>
#include <MainHelpTab.h>
#include <PrivateNamespaces.h>
#include <SecretMasking.h>
#include <SplashDlg.h>
#include <TechSupportSender.h>

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(VpnServer)

namespace {

const QString Separator = "\n" + QString(80, '_');

ServerTestRecord record(const QString& name, const QString& ip, bool pingOk, const QString& pingLog,
                        const QString& routeLog)
{
    ServerTestRecord r;
    r.name = name;
    r.ip = ip;
    r.pingOk = pingOk;
    r.pingLog = pingLog;
    r.routeLog = routeLog;
    return r;
}

VpnServer vpnServer(const QString& name, const QString& host)
{
    VpnServer server;
    server.name = name;
    server.host = host;
    return server;
}

void writeText(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
}

// The visible progress dialog with that title; null when there is none.
SplashDlg* shownSplash(const QString& title)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* splash = qobject_cast<SplashDlg*>(widget);
        if (splash && splash->isVisible()
            && splash->findChild<QLabel*>(QStringLiteral("titleLabel"))->text() == title)
            return splash;
    }
    return nullptr;
}

} // namespace

class tst_TechSupportSender : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void reportText();
    void reportSummaryPadding();
    void reportWithoutServersOrVpnLog();
    void reportWifiLine_data();
    void reportWifiLine();
    void reportHidesSecrets();
    void testThenReport();
    void canceledReportSaysNothing();
    void staleRunnerIsIgnored();

private:
    QString dataPath(const QString& name) const { return data.filePath(name); }

    QTemporaryDir data;
    std::unique_ptr<ScriptedProbes> probes;
};

void tst_TechSupportSender::initTestCase()
{
    qRegisterMetaType<VpnServer>();
    qRegisterMetaType<SharedTestResults>();
    QVERIFY(data.isValid());
    Folders::app_data_folder = data.path();
    qputenv("HOSTNAME", "report-host");
    qputenv("USER", "report-user");
}

void tst_TechSupportSender::init()
{
    writeText(dataPath("log.txt"), "first log line\nlast log line\n");
    writeText(dataPath("openvpn.log"), QByteArray("vpn line 1\nvpn line 2\n\0after the end", 35));
    probes = std::make_unique<ScriptedProbes>();
    probes->answeringHosts << QStringLiteral("10.0.0.1");
    hMainHelp.state = 0;
}

void tst_TechSupportSender::cleanup()
{
    probes.reset();
    forgetRememberedSecrets();
}

void tst_TechSupportSender::reportText()
{
    TestResultsContainer results;
    results.httpOk = true;
    results.dnsOk = true;
    results.servicePingOk = true;
    results.servicePingLog = "service ping output";
    results.publicDnsPingLog = "public ping output";
    results.confirmOk = true;
    results.wifiAdapterPresent = true;
    const QString longName = "a server name longer than forty characters";
    results.servers = {record("Server-A", "10.0.0.1", true, "a ping", "a trace"),
                       record(longName, "", false, "", "")};

    // Host-dependent parts stand as tokens until the text is a pattern.
    const QString expected =
        "\nOS Version = TOKENLINE"
        "\nApplication Version = 5314"
        "\nApplication Full Version = GIT_VERSION"
        "\nMachine Name = report-host"
        "\nLocal Device Id = TOKENLINE"
        "\nUser Name = report-user"
        "\nWiFi adapter = Off"
        "\nIP Address(es) = TOKENADDRESSES"
        "\nMAC Addresses are: TOKENMACS"
        + Separator + "\nProcess List:\nTOKENPROCESSES"
        + Separator + "\nGET test: PASSED\nDNS test: PASSED\nPing test: PASSED\nPing 8.8.8.8 test: FAILED"
                      "\nDNS 8.8.8.8 test: FAILED"
        + Separator + "\nHTTP Server ping log:\nservice ping output"
        + Separator + "\n8.8.8.8 ping log:\npublic ping output"
        + Separator + "\nVPN Log:\nvpn line 1\nvpn line 2\n"
        + Separator + "\nApplication Log:\nfirst log line\nlast log line\n"
        + Separator + "\nServer name: Server-A\nServer IP: 10.0.0.1\nServer ping test: PASSED"
                      "\nServer ping log:\na ping\nServer traceroute Log:\na trace"
        + Separator + "\nServer name: " + longName + "\nServer IP: \nServer ping test: FAILED"
                      "\nServer ping log:\n\nServer traceroute Log:\n"
        + Separator + "\nServer summary:"
        + "\nServer: Server-A                                Ping: PASSED"
        + "\nServer: " + longName + "Ping: FAILED";
    QString pattern = QRegularExpression::escape(expected);
    pattern.replace("TOKENLINE", "[^\\n]*");
    pattern.replace("TOKENADDRESSES", "[0-9., ]*");
    pattern.replace("TOKENMACS", "[0-9A-F:]*");
    pattern.replace("TOKENPROCESSES", "USER +PID [^\\n]*\\n(?:[^\\n]*\\n)+");

    const MessageCapture log;
    TechSupportSender sender;
    const QString report = sender.generateReportString(&results);
    const QRegularExpression whole(QRegularExpression::anchoredPattern(pattern));
    QVERIFY2(whole.match(report).hasMatch(), qPrintable(report));
    QVERIFY(log.messages().filter(QRegularExpression("^TechSupportSender \\[Get OS Version\\]: \\S")).size() == 1);
    // Another run of ps lists itself; the process list is the one moving part.
    QVERIFY(report.contains("/bin/ps auxw"));
}

void tst_TechSupportSender::reportSummaryPadding()
{
    TestResultsContainer results;
    results.servers = {record("12345678", "10.0.0.1", true, "", ""), record("12345678", "10.0.0.1", false, "", "")};
    TechSupportSender sender;
    const QString report = sender.generateReportString(&results);
    const QString blanks(32, ' ');
    QVERIFY(report.endsWith("\nServer: 12345678" + blanks + "Ping: PASSED\nServer: 12345678" + blanks
                            + "Ping: FAILED"));
    // A server held twice is listed twice.
    QCOMPARE(report.count("\nServer name: 12345678\nServer IP: 10.0.0.1\n"), 2);
}

void tst_TechSupportSender::reportWithoutServersOrVpnLog()
{
    QVERIFY(QFile::remove(dataPath("openvpn.log")));
    TestResultsContainer results;
    const MessageCapture log;
    TechSupportSender sender;
    const QString report = sender.generateReportString(&results);
    QVERIFY(report.endsWith(Separator + "\nServer summary:"));
    QVERIFY(!report.contains("Server name:"));
    QVERIFY(report.contains("\nVPN Log:\n" + Separator + "\nApplication Log:\n"));
    QCOMPARE(log.messages().count("Failed to open openvpn.log"), 1);
}

void tst_TechSupportSender::reportWifiLine_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("line");

    QTest::newRow("absent") << false << false << "Absent";
    QTest::newRow("absent, said to be on") << false << true << "Absent";
    QTest::newRow("off") << true << false << "Off";
    QTest::newRow("on") << true << true << "On";
}

void tst_TechSupportSender::reportWifiLine()
{
    QFETCH(bool, present);
    QFETCH(bool, on);
    QFETCH(QString, line);
    TestResultsContainer results;
    results.wifiAdapterPresent = present;
    results.wifiAdapterOn = on;
    TechSupportSender sender;
    QVERIFY(sender.generateReportString(&results).contains("\nWiFi adapter = " + line + "\nIP Address(es) = "));
}

void tst_TechSupportSender::reportHidesSecrets()
{
    ClientAuthData account;
    account.setPassword(QStringLiteral("acc0untPw"));
    rememberSecret(QStringLiteral("vpnPa55"));
    writeText(dataPath("log.txt"), "login as someone with acc0untPw\n");
    writeText(dataPath("openvpn.log"), "AUTH: vpnPa55 sent\n");
    QProcess decoy;
    decoy.start(QStringLiteral("/bin/bash"),
                {"-c", "exec -a 'decoy --password=hunter2 https://x/?token=abc' sleep 600"});
    QVERIFY(decoy.waitForStarted());

    TestResultsContainer results;
    results.servers = {record("srv", "10.0.0.1", false, "Authorization: Bearer t0ken-value", "")};
    TechSupportSender sender;
    QString report;
    // The decoy shows once bash has become it.
    QTRY_VERIFY_WITH_TIMEOUT((report = sender.generateReportString(&results)).contains("decoy --password="), 20000);
    decoy.kill();
    decoy.waitForFinished();

    for (const char* secret : {"hunter2", "token=abc", "acc0untPw", "vpnPa55", "t0ken-value"})
        QVERIFY2(!report.contains(QLatin1String(secret)), secret);
    QVERIFY(report.contains("decoy --password=*** https://x/?token=*** 600"));
    QVERIFY(report.contains("\nApplication Log:\nlogin as someone with ***\n"));
    QVERIFY(report.contains("\nVPN Log:\nAUTH: *** sent\n"));
    QVERIFY(report.contains("\nServer ping log:\nAuthorization: ***\n"));
}

void tst_TechSupportSender::testThenReport()
{
    TechSupportSender sender;
    sender.setServers({vpnServer("alpha", "10.0.0.1"), vpnServer("beta", "10.0.0.2")});
    QSignalSpy completed(&sender, &TechSupportSender::connectivityTestCompleted);
    QSignalSpy generated(&sender, &TechSupportSender::reportGenerated);

    sender.startConnectivityTest(vpnServer("alpha", "10.0.0.1"));
    QCOMPARE(hMainHelp.state, 1);
    QVERIFY(shownSplash("Performing Connectivity Test"));
    QVERIFY(completed.wait(20000));
    QCOMPARE(hMainHelp.state, 3);
    QVERIFY(!shownSplash("Performing Connectivity Test"));
    const SharedTestResults results = completed.at(0).at(0).value<SharedTestResults>();
    QCOMPARE(completed.at(0).at(1).value<VpnServer>(), vpnServer("alpha", "10.0.0.1"));
    QCOMPARE(results->servers.size(), 3);
    QVERIFY(results->servers[0].pingOk);
    QCOMPARE(probes->calls().filter("ping 10.0.0.").size(), 1);

    sender.startReportGeneration();
    QCOMPARE(hMainHelp.state, 2);
    QVERIFY(shownSplash("Generating Report"));
    QVERIFY(generated.wait(20000));
    QCOMPARE(hMainHelp.state, 3);
    QCOMPARE(completed.size(), 1);
    // The first record was pinged by the test; the same server listed again is pinged now.
    QCOMPARE(probes->calls().count("ping 10.0.0.1 2"), 2);
    QCOMPARE(probes->calls().count("ping 10.0.0.2 2"), 1);
    const QString report = generated.at(0).at(0).toString();
    QCOMPARE(report.count("\nServer name: alpha\n"), 2);
    QVERIFY(report.endsWith("Ping: PASSED\nServer: alpha" + QString(35, ' ') + "Ping: PASSED\nServer: beta"
                            + QString(36, ' ') + "Ping: FAILED"));
}

void tst_TechSupportSender::canceledReportSaysNothing()
{
    TechSupportSender sender;
    sender.setServers({vpnServer("alpha", "10.0.0.1")});
    QSignalSpy completed(&sender, &TechSupportSender::connectivityTestCompleted);
    QSignalSpy generated(&sender, &TechSupportSender::reportGenerated);
    sender.startConnectivityTest();
    QVERIFY(completed.wait(20000));

    probes->hold();
    sender.startReportGeneration();
    QTRY_COMPARE_WITH_TIMEOUT(probes->waiting(), 1, 20000);
    SplashDlg* splash = shownSplash("Generating Report");
    QVERIFY(splash);
    splash->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    probes->releaseAll();
    QTRY_VERIFY_WITH_TIMEOUT(sender.findChildren<ConnectivityTestInterface*>().isEmpty(), 20000);
    QCOMPARE(generated.size(), 0);

    // The next report run starts clean.
    sender.startReportGeneration();
    QVERIFY(generated.wait(20000));
    QCOMPARE(generated.size(), 1);
}

void tst_TechSupportSender::staleRunnerIsIgnored()
{
    TechSupportSender sender;
    QSignalSpy completed(&sender, &TechSupportSender::connectivityTestCompleted);
    probes->hold();
    sender.startConnectivityTest();
    // Five checks wait in the network and take every thread of the pool.
    QTRY_COMPARE_WITH_TIMEOUT(probes->waiting(), 5, 20000);
    sender.onCancelConnectivityTest();
    sender.startConnectivityTest();
    QCOMPARE(sender.findChildren<ConnectivityTestSingle*>().size(), 2);

    // The old run ends first; the new one's checks wait in their turn.
    probes->releaseWaiting();
    QTRY_COMPARE_WITH_TIMEOUT(sender.findChildren<ConnectivityTestSingle*>().size(), 1, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(probes->waiting(), 5, 20000);
    QVERIFY(shownSplash("Performing Connectivity Test"));
    QCOMPARE(completed.size(), 0);
    QCOMPARE(hMainHelp.state, 1);

    probes->releaseAll();
    QVERIFY(completed.wait(20000));
    QCoreApplication::processEvents();
    QCOMPARE(completed.size(), 1);
    QVERIFY(!shownSplash("Performing Connectivity Test"));
    QCOMPARE(hMainHelp.state, 3);
    // Held back from the old run, the new run's checks answered in full.
    const SharedTestResults results = completed.at(0).at(0).value<SharedTestResults>();
    QVERIFY(results->confirmOk);
    QTRY_VERIFY_WITH_TIMEOUT(sender.findChildren<ConnectivityTestSingle*>().isEmpty(), 20000);
}

// Without a network: a check that missed the script reaches nothing.
int main(int argc, char** argv)
{
    if (!PrivateNamespaces::enter(PrivateNamespaces::Options()))
        return 1;
    QApplication app(argc, argv);
    tst_TechSupportSender test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_TechSupportSender.moc"
