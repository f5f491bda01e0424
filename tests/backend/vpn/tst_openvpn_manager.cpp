#include "LogCapture.h"
#include "OpenvpnSandbox.h"
#include "TestFiles.h"
#include "openvpn_manager.h"
#include "paths.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

namespace {

QString rotatedLog(const OpenvpnSandbox& sandbox, int number)
{
    return sandbox.dataFile(QStringLiteral("openvpn_%1.log").arg(number, 2, 10, QLatin1Char('0')));
}

} // namespace

class tst_openvpn_manager : public QObject
{
    Q_OBJECT
private slots:
    void argumentList_data();
    void argumentList();
    void rotationWithTenLogsPresent();
    void plantedLinksAreNotFollowed();
    void hostileHostRefused_data();
    void hostileHostRefused();
    void alreadyRunningStartsNothing();
    void isRunning_data();
    void isRunning();
    void startupError();
};

void tst_openvpn_manager::argumentList_data()
{
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QStringList>("tail");
    QTest::newRow("encrypted") << true << "1195" << QStringList();
    QTest::newRow("unencrypted") << false << "1196" << QStringList{"--cipher", "none", "--auth", "none"};
}

void tst_openvpn_manager::argumentList()
{
    QFETCH(bool, encrypted);
    QFETCH(QString, port);
    QFETCH(QStringList, tail);
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());

    QCOMPARE(openvpn_manager::start(QStringLiteral("vpn1.example.net"), encrypted), 0);

    const QStringList expected = QStringList{
        "--client", "--dev", "tun", "--remote", "vpn1.example.net", port, "--resolv-retry", "3", "--proto",
        "tcp-client", "--persist-tun", "--comp-lzo", "--verb", "3", "--auth-user-pass", "--ns-cert-type", "server",
        "--redirect-gateway", "--management-up-down", "--route-delay", "5", "--script-security", "2",
        "--up", '"' + sandbox.appFile("vpn-up-mac") + '"', "--down", '"' + sandbox.appFile("vpn-down-mac.sh") + '"',
        "--ca", sandbox.appFile("cachain.pem"), "--writepid", "<fd>", "--log", "<fd>",
        "--management", "127.0.0.1", "10011",
        "--management-query-passwords", "--auth-nocache", "--connect-retry", "3", "--connect-retry-max", "1",
        "--remap-usr1", "SIGTERM"} + tail;
    // The pid and log files reach openvpn as descriptors opened here, so the
    // program never resolves a path in the user's folder.
    QStringList recorded = sandbox.recordedArguments();
    for (const char* option : {"--writepid", "--log"}) {
        const int at = recorded.indexOf(option) + 1;
        QVERIFY(at > 0 && at < recorded.size());
        QVERIFY2(QRegularExpression("^/dev/fd/\\d+$").match(recorded.at(at)).hasMatch(), qPrintable(recorded.at(at)));
        recorded[at] = "<fd>";
    }
    QCOMPARE(recorded, expected);
    QCOMPARE(expected.size(), encrypted ? 44 : 48);
    QVERIFY(openvpn_manager::isRunning());
    QTRY_VERIFY(!TestFiles::read(sandbox.dataFile("openvpn.pid")).isEmpty());
    QCOMPARE(TestFiles::read(sandbox.dataFile("openvpn.log")), QByteArray("openvpn stub: started\n"));
}

void tst_openvpn_manager::rotationWithTenLogsPresent()
{
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    // openvpn_01.log is the newest of the old runs: run 10; openvpn.log is run 11.
    for (int number = 1; number <= 10; ++number)
        QVERIFY(TestFiles::write(rotatedLog(sandbox, number), "run " + QByteArray::number(11 - number)));
    QVERIFY(TestFiles::write(sandbox.dataFile("openvpn.log"), "run 11"));

    QCOMPARE(openvpn_manager::start(QStringLiteral("h"), true), 0);

    QCOMPARE(TestFiles::read(rotatedLog(sandbox, 1)), QByteArray("run 11"));
    for (int number = 2; number <= 10; ++number)
        QCOMPARE(TestFiles::read(rotatedLog(sandbox, number)), "run " + QByteArray::number(12 - number));
    QVERIFY(!QFile::exists(rotatedLog(sandbox, 11)));
    // Only the stub's own line: the log was emptied before the program started.
    QCOMPARE(TestFiles::read(sandbox.dataFile("openvpn.log")), QByteArray("openvpn stub: started\n"));
}

void tst_openvpn_manager::plantedLinksAreNotFollowed()
{
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    QTemporaryDir elsewhere;
    const QString victimLog = elsewhere.filePath("victim-log");
    const QString victimPid = elsewhere.filePath("victim-pid");
    QVERIFY(TestFiles::write(victimLog, "precious"));
    QVERIFY(TestFiles::write(victimPid, "precious too"));
    QVERIFY(QFile::link(victimLog, sandbox.dataFile("openvpn.log")));
    QVERIFY(QFile::link(victimPid, sandbox.dataFile("openvpn.pid")));
    QVERIFY(QFile::link(victimLog, rotatedLog(sandbox, 9)));

    QCOMPARE(openvpn_manager::start(QStringLiteral("h"), true), 0);

    QCOMPARE(TestFiles::read(victimLog), QByteArray("precious"));
    QCOMPARE(TestFiles::read(victimPid), QByteArray("precious too"));
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files), (QStringList{"victim-log", "victim-pid"}));
    // The links moved along the rotation as links.
    QCOMPARE(QFileInfo(rotatedLog(sandbox, 1)).symLinkTarget(), victimLog);
    QCOMPARE(QFileInfo(rotatedLog(sandbox, 10)).symLinkTarget(), victimLog);
    const QFileInfo log(sandbox.dataFile("openvpn.log"));
    QVERIFY(!log.isSymLink() && log.isFile());
    QVERIFY(!QFileInfo(sandbox.dataFile("openvpn.pid")).isSymLink());
}

void tst_openvpn_manager::hostileHostRefused_data()
{
    QTest::addColumn<QString>("host");
    QTest::newRow("option") << "--up";
    QTest::newRow("dash") << "-x.example.net";
    QTest::newRow("blank") << "vpn.example.net --up /tmp/x";
    QTest::newRow("tab") << "vpn\t1";
    QTest::newRow("line feed") << "vpn\n";
    QTest::newRow("control character") << "vpn\x01";
    QTest::newRow("empty") << "";
}

void tst_openvpn_manager::hostileHostRefused()
{
    QFETCH(QString, host);
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    LogCapture log;
    QCOMPARE(openvpn_manager::start(host, true), 1);
    QVERIFY(log.contains("openvpn_manager: host refused"));
    QVERIFY(sandbox.recordedArguments().isEmpty());
    QVERIFY(sandbox.processes().isEmpty());
}

void tst_openvpn_manager::alreadyRunningStartsNothing()
{
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    QCOMPARE(openvpn_manager::start(QStringLiteral("first"), true), 0);
    LogCapture log;
    QCOMPARE(openvpn_manager::start(QStringLiteral("second"), true), 2);
    QVERIFY(log.contains("openvpn_manager: openvpn.exe already running"));
    QCOMPARE(sandbox.recordedArguments().at(4), QStringLiteral("first"));
    QCOMPARE(sandbox.processes().size(), 1);
    QVERIFY(!QFile::exists(rotatedLog(sandbox, 1)));
}

void tst_openvpn_manager::isRunning_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("expected");
    QTest::newRow("nothing") << "nothing" << false;
    QTest::newRow("ours, named in the pid file") << "ours with pid file" << true;
    QTest::newRow("ours, no pid file") << "ours without pid file" << true;
    QTest::newRow("pid file naming a dead process") << "dead pid" << false;
    QTest::newRow("pid file naming another program") << "foreign pid" << false;
    QTest::newRow("pid file with garbage") << "garbage" << false;
    QTest::newRow("another program mentioning openvpn") << "mentions openvpn" << false;
    QTest::newRow("our program without our management") << "foreign openvpn" << false;
    QTest::newRow("pid file naming our program without our management") << "foreign openvpn with pid file" << false;
    QTest::newRow("our program managed on another port") << "other management port" << false;
    QTest::newRow("ours in another network namespace") << "other network namespace" << false;
}

void tst_openvpn_manager::isRunning()
{
    QFETCH(QString, situation);
    QFETCH(bool, expected);
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    const QString pidFile = sandbox.dataFile("openvpn.pid");
    QProcess other;

    if (situation == "ours with pid file") {
        QVERIFY(sandbox.startOurs({"--writepid", pidFile}) > 0);
        QTRY_VERIFY(QFile::exists(pidFile));
    } else if (situation == "ours without pid file") {
        QVERIFY(sandbox.startOurs() > 0);
        QTRY_VERIFY(!sandbox.processes().isEmpty());
    } else if (situation == "foreign openvpn") {
        QVERIFY(sandbox.startForeign({"--config", "client.conf"}) > 0);
        QTRY_VERIFY(!sandbox.processes().isEmpty());
    } else if (situation == "foreign openvpn with pid file") {
        QVERIFY(sandbox.startForeign({"--writepid", pidFile}) > 0);
        QTRY_VERIFY(QFile::exists(pidFile));
    } else if (situation == "other management port") {
        QVERIFY(sandbox.startForeign({"--management", "127.0.0.1", "10012", "--writepid", pidFile}) > 0);
        QTRY_VERIFY(QFile::exists(pidFile));
    } else if (situation == "other network namespace") {
        QVERIFY(QProcess::startDetached("/usr/bin/unshare", {"--net", sandbox.appFile("openvpn"), "--management",
                                                             "127.0.0.1", "10011", "--writepid", pidFile}));
        QTRY_VERIFY(QFile::exists(pidFile));
    } else if (situation == "dead pid") {
        other.start("/bin/true", QStringList());
        QVERIFY(other.waitForFinished());
        QVERIFY(TestFiles::write(pidFile, QByteArray::number(other.processId())));
    } else if (situation == "foreign pid") {
        QVERIFY(TestFiles::write(pidFile, QByteArray::number(QCoreApplication::applicationPid()) + "\n"));
    } else if (situation == "garbage") {
        QVERIFY(TestFiles::write(pidFile, "openvpn 1"));
    } else if (situation == "mentions openvpn") {
        other.start("/bin/sh", {"-c", "sleep 30; :", sandbox.appFile("openvpn")});
        QVERIFY(other.waitForStarted());
        QVERIFY(TestFiles::write(pidFile, QByteArray::number(other.processId())));
    }

    QCOMPARE(openvpn_manager::isRunning(), expected);
    if (other.state() != QProcess::NotRunning) {
        other.kill();
        other.waitForFinished();
    }
}

void tst_openvpn_manager::startupError()
{
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    sandbox.setStubMode("exit");
    LogCapture log;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(openvpn_manager::start(QStringLiteral("h"), true), 1);
    QVERIFY2(clock.elapsed() >= 5650, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(log.contains("openvpn_manager: openvpn.exe startup error."));
    QVERIFY(!sandbox.recordedArguments().isEmpty());
}

QTEST_GUILESS_MAIN(tst_openvpn_manager)
#include "tst_openvpn_manager.moc"
