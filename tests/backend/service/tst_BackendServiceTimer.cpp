#include "ServiceTestKit.h"

#include <QtTest>

class tst_BackendServiceTimer : public QObject
{
    Q_OBJECT
private slots:
    void connectTimerClosesOnlyAnUnvisitedService();
};

// Both cases wait out the same ten seconds side by side: the unvisited backend runs
// in a network of its own so the two do not share the port.
void tst_BackendServiceTimer::connectTimerClosesOnlyAnUnvisitedService()
{
    const InstalledBackend installed;
    BackendProcess unvisited(installed, {"/usr/bin/unshare", "-n", "/bin/sh", "-c", "/usr/sbin/ip link set lo up && exec \"$0\""});
    BackendProcess logged(installed);
    QVERIFY(unvisited.waitUntilListening());
    QVERIFY(logged.waitUntilListening());
    LinkPeer peer;
    QVERIFY(peer.connectLog());
    QElapsedTimer clock;
    clock.start();

    QVERIFY(unvisited.waitForExit(12000));
    QVERIFY(clock.elapsed() > 9000);
    QCOMPARE(unvisited.exitCode(), 0);
    QVERIFY2(unvisited.standardError().contains("2BackendService: Client not connected in time, closing service.\n"),
             qPrintable(unvisited.standardError()));

    QTest::qWait(1000);
    QVERIFY(logged.isRunning());
    QVERIFY(peer.connectControl());
    QCOMPARE(peer.handshake(installed.appDir(), installed.dataDir()), QString(LinkProtocol::HandshakeAccepted));
}

OZM_NAMESPACE_TEST_MAIN(tst_BackendServiceTimer, PrivateNamespaces::Options().withOwnProcesses())

#include "tst_BackendServiceTimer.moc"
