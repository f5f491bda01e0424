#include "ScriptedNetwork.h"

#include <ApiTestKit.h>
#include <ConnectionChecker.h>
#include <ConnectionCheckerThread.h>
#include <SharedMetaTypes.h>
#include <WebHostStandIn.h>

#include <QElapsedTimer>
#include <QtTest>

// A confirmation page that never comes: after its time limit the checker
// reports that a log-in may be required.
class tst_ClientConnectionCheckerTimeout : public QObject
{
    Q_OBJECT
private slots:
    void silentPageMeansLogin();
};

void tst_ClientConnectionCheckerTimeout::silentPageMeansLogin()
{
    registerSharedMetaTypes();
    QVERIFY(PrivateNamespaces::ip("addr add " + ScriptedNetwork::WebHostAddress + "/32 dev lo"));
    MessageCapture log;
    ScriptedNetwork network;
    QCOMPARE(network.start(), QString());
    WebHostStandIn silentHost(ScriptedNetwork::WebHostAddress, network.folders.appFolder(), std::nullopt);
    QVERIFY(silentHost.isRunning());
    QVERIFY(network.report({"0", "1", "1", "Wired connection", "", "0", "1", "1"}));

    ConnectionChecker checker;
    QSignalSpy finished(&checker, &ConnectionChecker::finished);
    QElapsedTimer clock;
    clock.start();
    checker.start();
    const int limit = ConnMgr::ConnectionCheckerThread::HttpTestTimeoutMs;
    QVERIFY(finished.wait(limit + 5000));

    // A coarse timer may fire up to 5 % early.
    QVERIFY2(clock.elapsed() >= limit * 95 / 100, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(int(finished.first().at(0).value<ConnectionPhysicalState>()), 0);
    QCOMPARE(finished.first().at(1).toBool(), true);
    QVERIFY(log.messages(QtDebugMsg).contains("network diagnostic: completed = additional log in is required"));
}

OZM_NAMESPACE_TEST_MAIN(tst_ClientConnectionCheckerTimeout, ScriptedNetwork::namespaces())

#include "tst_ClientConnectionCheckerTimeout.moc"
