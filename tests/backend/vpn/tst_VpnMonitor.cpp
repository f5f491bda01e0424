#include "OpenvpnSandbox.h"
#include "VpnMonitor.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <csignal>

class tst_VpnMonitor : public QObject
{
    Q_OBJECT
private slots:
    void reportsEachChangeOnTheOwnersThread();
    void processRunningBeforeStartIsReported();
    void expectedProcessThatEndedUnseenIsReported();
    void destructionEndsThePollThread_data();
    void destructionEndsThePollThread();
};

void tst_VpnMonitor::reportsEachChangeOnTheOwnersThread()
{
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    VpnMonitor monitor;
    QStringList trace;
    connect(&monitor, &VpnMonitor::vpnStarted, this, [&] {
        trace << (QThread::currentThread() == thread() ? "started" : "started elsewhere");
    });
    connect(&monitor, &VpnMonitor::vpnStopped, this, [&] {
        trace << (QThread::currentThread() == thread() ? "stopped" : "stopped elsewhere");
    });
    monitor.start();
    monitor.start();
    QCOMPARE(monitor.findChild<QThread*>()->objectName(), QStringLiteral("VpnMonitorThread"));

    QTest::qWait(1500);
    QVERIFY(trace.isEmpty());
    const pid_t pid = sandbox.startOurs();
    QVERIFY(pid > 0);
    QTRY_COMPARE_WITH_TIMEOUT(trace, QStringList{"started"}, 3000);
    ::kill(pid, SIGTERM);
    QTRY_COMPARE_WITH_TIMEOUT(trace, (QStringList{"started", "stopped"}), 3000);
    QTest::qWait(1200);
    QCOMPARE(trace, (QStringList{"started", "stopped"}));
}

void tst_VpnMonitor::processRunningBeforeStartIsReported()
{
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    QVERIFY(sandbox.startOurs() > 0);
    QTRY_VERIFY(!sandbox.processes().isEmpty());
    VpnMonitor monitor;
    QSignalSpy started(&monitor, &VpnMonitor::vpnStarted);
    QSignalSpy stopped(&monitor, &VpnMonitor::vpnStopped);
    monitor.start();
    QVERIFY(started.wait(3000));
    QTest::qWait(1200);
    QCOMPARE(started.count(), 1);
    QCOMPARE(stopped.count(), 0);
}

// The start saw openvpn run, but it ended before the monitor's first look.
void tst_VpnMonitor::expectedProcessThatEndedUnseenIsReported()
{
    OpenvpnSandbox sandbox;
    QVERIFY(sandbox.isValid());
    VpnMonitor monitor;
    QSignalSpy started(&monitor, &VpnMonitor::vpnStarted);
    QSignalSpy stopped(&monitor, &VpnMonitor::vpnStopped);
    monitor.start();
    monitor.expectRunning();
    QVERIFY(stopped.wait(3000));
    QCOMPARE(started.count(), 0);
}

void tst_VpnMonitor::destructionEndsThePollThread_data()
{
    QTest::addColumn<bool>("started");
    QTest::newRow("polling") << true;
    QTest::newRow("never started") << false;
}

void tst_VpnMonitor::destructionEndsThePollThread()
{
    QFETCH(bool, started);
    OpenvpnSandbox sandbox;
    auto* monitor = new VpnMonitor;
    QPointer<QThread> thread = monitor->findChild<QThread*>();
    if (started) {
        monitor->start();
        QTRY_VERIFY(thread->isRunning());
        QTest::qWait(1100);
    }
    QElapsedTimer clock;
    clock.start();
    delete monitor;
    QVERIFY(thread.isNull());
    QVERIFY(clock.elapsed() < 2000);
}

QTEST_GUILESS_MAIN(tst_VpnMonitor)
#include "tst_VpnMonitor.moc"
