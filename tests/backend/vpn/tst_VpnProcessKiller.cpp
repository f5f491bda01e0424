#include "FakeManagementPeer.h"
#include "LogCapture.h"
#include "OpenvpnSandbox.h"
#include "TestFiles.h"
#include "VpnProcessKiller.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>

namespace {

quint16 unusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

} // namespace

class tst_VpnProcessKiller : public QObject
{
    Q_OBJECT
private slots:
    void nothingRunningSucceedsAtOnce_data();
    void nothingRunningSucceedsAtOnce();
    void stopCommandEndsTheProcess();
    void survivorIsReported_data();
    void survivorIsReported();
    void killerEndingWithItsOwnerStopsTheProcess();

private:
    // Starts the sandbox's program the way openvpn is started, with its pid file.
    static pid_t startOpenvpn(const OpenvpnSandbox& sandbox);
};

pid_t tst_VpnProcessKiller::startOpenvpn(const OpenvpnSandbox& sandbox)
{
    const QString pidFile = sandbox.dataFile("openvpn.pid");
    if (sandbox.startOurs({"--writepid", pidFile}) == 0)
        return 0;
    QElapsedTimer clock;
    clock.start();
    while (TestFiles::read(pidFile).toInt() == 0 && clock.elapsed() < 3000)
        QTest::qWait(20);
    return pid_t(TestFiles::read(pidFile).toInt());
}

void tst_VpnProcessKiller::nothingRunningSucceedsAtOnce_data()
{
    QTest::addColumn<bool>("autoDelete");
    QTest::addColumn<bool>("foreignRunning");
    QTest::newRow("kept") << false << false;
    QTest::newRow("deletes itself") << true << false;
    // Another openvpn of the same program, named in the pid file, is no business of ours.
    QTest::newRow("another openvpn runs") << true << true;
}

void tst_VpnProcessKiller::nothingRunningSucceedsAtOnce()
{
    QFETCH(bool, autoDelete);
    QFETCH(bool, foreignRunning);
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    const pid_t foreign = foreignRunning ? sandbox.startForeign() : 4242;
    QVERIFY(foreign > 0);
    QTRY_VERIFY(!foreignRunning || sandbox.processes().contains(foreign));
    const QByteArray pidFile = QByteArray::number(foreign) + '\n';
    QVERIFY(TestFiles::write(sandbox.dataFile("openvpn.pid"), pidFile));
    QPointer<VpnProcessKiller> killer = new VpnProcessKiller(autoDelete);
    QSignalSpy finished(killer.data(), &VpnProcessKiller::killAttemptFinish);
    killer->killOpenVpnProcess(QStringLiteral("127.0.0.1"), unusedPort());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(!QFile::exists(sandbox.dataFile("openvpn.pid")));
    QCOMPARE(TestFiles::read(sandbox.dataFile("openvpn.last_pid")), pidFile);
    QTRY_COMPARE(killer.isNull(), autoDelete);
    delete killer;
    QVERIFY(!foreignRunning || sandbox.processes().contains(foreign));
}

void tst_VpnProcessKiller::stopCommandEndsTheProcess()
{
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    const pid_t pid = startOpenvpn(sandbox);
    QVERIFY(pid > 0);
    // The peer plays openvpn: the stop command ends the process and its connection.
    FakeManagementPeer peer;
    QVERIFY(peer.listen());
    connect(&peer, &FakeManagementPeer::lineReceived, this, [&](const QByteArray& line) {
        if (line == "signal SIGTERM") {
            ::kill(pid, SIGTERM);
            peer.closeConnection();
        }
    });
    LogCapture log;
    VpnProcessKiller killer;
    QSignalSpy finished(&killer, &VpnProcessKiller::killAttemptFinish);
    killer.killOpenVpnProcess(QStringLiteral("127.0.0.1"), peer.port());
    QVERIFY(finished.wait(4000));
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(log.contains("VpnProcessKiller: OpenVPN process stoped by socket"));
    QCOMPARE(TestFiles::read(sandbox.dataFile("openvpn.last_pid")).trimmed().toInt(), int(pid));
    QVERIFY(!QFile::exists(sandbox.dataFile("openvpn.pid")));
}

void tst_VpnProcessKiller::survivorIsReported_data()
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<int>("minimumMs");
    QTest::addColumn<int>("maximumMs");
    // Lower bounds allow for timers firing up to 5 % early.
    QTest::newRow("connection refused") << false << 940 << 3000;
    QTest::newRow("stop command ignored") << true << 5650 << 8000;
}

void tst_VpnProcessKiller::survivorIsReported()
{
    QFETCH(bool, listening);
    QFETCH(int, minimumMs);
    QFETCH(int, maximumMs);
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    sandbox.setStubMode("ignore-term");
    const pid_t pid = startOpenvpn(sandbox);
    QVERIFY(pid > 0);
    FakeManagementPeer peer;
    QVERIFY(peer.listen());
    const quint16 port = listening ? peer.port() : unusedPort();
    connect(&peer, &FakeManagementPeer::lineReceived, this, [&](const QByteArray& line) {
        if (line == "signal SIGTERM")
            ::kill(pid, SIGTERM);
    });

    LogCapture log;
    QPointer<VpnProcessKiller> killer = new VpnProcessKiller(true);
    QSignalSpy finished(killer.data(), &VpnProcessKiller::killAttemptFinish);
    QElapsedTimer clock;
    clock.start();
    killer->killOpenVpnProcess(QStringLiteral("127.0.0.1"), port);
    QVERIFY(finished.wait(maximumMs));
    QVERIFY2(clock.elapsed() >= minimumMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(finished.first().first().toBool(), false);
    QVERIFY(log.contains("VpnProcessKiller: cannot stop OpenVPN process"));
    QCOMPARE(peer.received(), listening ? QByteArrayList{"signal SIGTERM"} : QByteArrayList());
    QVERIFY(QFile::exists(sandbox.dataFile("openvpn.pid")));
    QTRY_VERIFY(killer.isNull());
}

// The owner goes while the stop command waits for an answer (the session ended):
// the process is stopped by its pid and nothing is reported.
void tst_VpnProcessKiller::killerEndingWithItsOwnerStopsTheProcess()
{
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    QVERIFY(startOpenvpn(sandbox) > 0);
    FakeManagementPeer peer;
    QVERIFY(peer.listen());

    LogCapture log;
    auto* owner = new QObject;
    QPointer<VpnProcessKiller> killer = new VpnProcessKiller(true, owner);
    QSignalSpy finished(killer.data(), &VpnProcessKiller::killAttemptFinish);
    killer->killOpenVpnProcess(QStringLiteral("127.0.0.1"), peer.port());
    QTRY_COMPARE(peer.received(), QByteArrayList{"signal SIGTERM"});
    delete owner;

    QVERIFY(killer.isNull());
    QVERIFY(log.contains("VpnProcessKiller: stop attempt cut short, stopping OpenVPN process by PID"));
    QTRY_VERIFY(sandbox.processes().isEmpty());
    QCOMPARE(finished.count(), 0);
}

QTEST_GUILESS_MAIN(tst_VpnProcessKiller)
#include "tst_VpnProcessKiller.moc"
