#include "FakeWatchPlatform.h"
#include "NetworkNotifier.h"
#include "ReachabilityWatching.h"
#include "WiFiWatching.h"

#include <QtTest>

// The watchers are singletons built on first use, so the scripted network must
// be in place before any test touches them.
class tst_NetworkNotifier : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void localFlags_data();
    void localFlags();
    void internetFlags_data();
    void internetFlags();
    void internetWaitEndsAfterSuccessAndRearms();
    void localChangesAreFoldedAndKeepComing();
    void stoppedLocalWatchingHearsNothing();

private:
    void settle();

    FakeWatchPlatform network;
    NetworkNotifier* notifier = nullptr;
};

void tst_NetworkNotifier::initTestCase()
{
    notifier = NetworkNotifier::instance();
}

void tst_NetworkNotifier::cleanup()
{
    notifier->stopLocalConnectionWatching();
    notifier->stopWaitingForInternetConnection();
}

// Lets a quiet period left running by an earlier test run out.
void tst_NetworkNotifier::settle()
{
    QSignalSpy changed(notifier, &NetworkNotifier::localConnectionIsChanged);
    changed.wait(NetworkNotifier::QuietPeriodMs + 100);
}

void tst_NetworkNotifier::localFlags_data()
{
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<bool>("unreachable");

    QTest::newRow("reachable") << quint32(Reachability::Reachable) << true << false;
    QTest::newRow("reachable, transient") << quint32(Reachability::Reachable | Reachability::TransientConnection)
                                          << true << false;
    QTest::newRow("reachable, connection required")
        << quint32(Reachability::Reachable | Reachability::ConnectionRequired) << true << false;
    QTest::newRow("nothing") << quint32(0) << false << true;
    QTest::newRow("connection required") << quint32(Reachability::ConnectionRequired) << false << true;
    QTest::newRow("transient only") << quint32(Reachability::TransientConnection) << false << false;
}

void tst_NetworkNotifier::localFlags()
{
    QFETCH(quint32, flags);
    QFETCH(bool, reachable);
    QFETCH(bool, unreachable);

    ReachabilityWatching* local = ReachabilityWatching::instanceForLocal();
    QSignalSpy reachableSpy(local, &ReachabilityWatching::isReachable);
    QSignalSpy unreachableSpy(local, &ReachabilityWatching::isUnreachable);
    notifier->startLocalConnectionWatching();

    network.postLocal(flags);

    QCOMPARE(reachableSpy.count(), int(reachable));
    QCOMPARE(unreachableSpy.count(), int(unreachable));
    QVERIFY(network.isScheduled(Reachability::Local));
}

void tst_NetworkNotifier::internetFlags_data()
{
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<bool>("established");
    QTest::addColumn<bool>("unreachable");
    QTest::addColumn<bool>("stillWaiting");

    QTest::newRow("reachable only") << quint32(Reachability::Reachable) << true << false << false;
    QTest::newRow("reachable, transient") << quint32(Reachability::Reachable | Reachability::TransientConnection)
                                          << false << false << true;
    QTest::newRow("reachable, connection required")
        << quint32(Reachability::Reachable | Reachability::ConnectionRequired) << false << true << true;
    QTest::newRow("nothing") << quint32(0) << false << true << true;
    QTest::newRow("transient only") << quint32(Reachability::TransientConnection) << false << false << true;
}

void tst_NetworkNotifier::internetFlags()
{
    QFETCH(quint32, flags);
    QFETCH(bool, established);
    QFETCH(bool, unreachable);
    QFETCH(bool, stillWaiting);

    QSignalSpy establishedSpy(notifier, &NetworkNotifier::internetIsEstablished);
    QSignalSpy unreachableSpy(ReachabilityWatching::instanceForInternet(), &ReachabilityWatching::isUnreachable);
    notifier->startWaitingForInternetConnection();

    network.postInternet(flags);

    QCOMPARE(establishedSpy.count(), int(established));
    QCOMPARE(unreachableSpy.count(), int(unreachable));
    QCOMPARE(network.isScheduled(Reachability::Internet), stillWaiting);
}

void tst_NetworkNotifier::internetWaitEndsAfterSuccessAndRearms()
{
    QSignalSpy established(notifier, &NetworkNotifier::internetIsEstablished);

    notifier->startWaitingForInternetConnection();
    network.postInternet(Reachability::Reachable);
    network.postInternet(Reachability::Reachable);
    QCOMPARE(established.count(), 1);

    notifier->startWaitingForInternetConnection();
    network.postInternet(Reachability::Reachable);
    QCOMPARE(established.count(), 2);

    notifier->startWaitingForInternetConnection();
    notifier->stopWaitingForInternetConnection();
    network.postInternet(Reachability::Reachable);
    QCOMPARE(established.count(), 2);
}

// A burst of triggers from every source gives one report after the quiet
// period; local watching is not single-shot, so later changes report again.
void tst_NetworkNotifier::localChangesAreFoldedAndKeepComing()
{
    settle();
    QSignalSpy changed(notifier, &NetworkNotifier::localConnectionIsChanged);
    notifier->startLocalConnectionWatching();

    QElapsedTimer sinceLast;
    network.postLocal(Reachability::Reachable);
    network.postWiFiChange();
    network.postLocal(0);
    notifier->emitLocalConnectionIsChanged();
    sinceLast.start();

    QTest::ignoreMessage(QtDebugMsg, "network notifier: local connection is changed!");
    QVERIFY(changed.wait(2000));
    // Timers of this length may fire up to 5% early, and this clock starts a
    // moment after the notifier's timer does.
    QVERIFY2(sinceLast.elapsed() >= NetworkNotifier::QuietPeriodMs * 9 / 10,
             qPrintable(QString::number(sinceLast.elapsed())));
    QVERIFY(!changed.wait(NetworkNotifier::QuietPeriodMs + 100));
    QCOMPARE(changed.count(), 1);

    network.postWiFiChange();
    QVERIFY(changed.wait(2000));
    QCOMPARE(changed.count(), 2);
}

void tst_NetworkNotifier::stoppedLocalWatchingHearsNothing()
{
    settle();
    notifier->startLocalConnectionWatching();
    notifier->startLocalConnectionWatching();
    QVERIFY(network.hasWiFiListener());
    notifier->stopLocalConnectionWatching();
    QVERIFY(!network.hasWiFiListener());

    QSignalSpy changed(notifier, &NetworkNotifier::localConnectionIsChanged);
    network.postLocal(Reachability::Reachable);
    network.postWiFiChange();
    QVERIFY(!changed.wait(NetworkNotifier::QuietPeriodMs + 100));
}

QTEST_GUILESS_MAIN(tst_NetworkNotifier)
#include "tst_NetworkNotifier.moc"
