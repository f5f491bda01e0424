#include "ScriptedNetwork.h"

#include <ApiTestKit.h>
#include <ConnectionChecker.h>
#include <NetworkCtlClient.h>
#include <WebHostStandIn.h>

#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

namespace {

const QString Confirmation = QStringLiteral("GET /ozmir/confirm");

QStringList reportOfState(int state)
{
    return {QString::number(state), "0", "1", "Unencrypted wireless", "Cafe", "1", "1", "1"};
}

// The worker shows as its thread's name, cut to the 15 characters the system keeps.
bool workerThreadRuns()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + QStringLiteral("/comm")));
        if (name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == "ConnectionCheck")
            return true;
    }
    return false;
}

} // namespace

// The connection checker on the network state of a scripted backend, with the
// operator's web host serving its confirmation page on this namespace's loopback.
class tst_ClientConnectionChecker : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    // First: no case may have named the state's type before it.
    void answersInAProgramThatRegisteredNoTypes();
    void diagnosis_data();
    void diagnosis();
    void runsAgainOnceFinished();
    void stateIsTakenAtStart();
    void deletingMidRunReturnsAtOnce();

private:
    QStringList diagnosticLog() const { return log->messages(QtDebugMsg).filter("network diagnostic: "); }

    std::unique_ptr<MessageCapture> log;
    std::unique_ptr<ScriptedNetwork> network;
};

void tst_ClientConnectionChecker::initTestCase()
{
    QVERIFY(PrivateNamespaces::ip("addr add " + ScriptedNetwork::WebHostAddress + "/32 dev lo"));
}

void tst_ClientConnectionChecker::init()
{
    log = std::make_unique<MessageCapture>();
    network = std::make_unique<ScriptedNetwork>();
    QCOMPARE(network->start(), QString());
}

void tst_ClientConnectionChecker::cleanup()
{
    network.reset();
    log.reset();
}

// A program that never registered the shared types, as the client did not:
// the answer still crosses from the worker's thread, where a queued signal
// would drop it and leave the diagnosis waiting for good.
void tst_ClientConnectionChecker::answersInAProgramThatRegisteredNoTypes()
{
    QCOMPARE(QMetaType::type("ConnectionPhysicalState"), int(QMetaType::UnknownType));
    QVERIFY(network->report(reportOfState(2)));
    ConnectionChecker checker;
    int answers = 0;
    connect(&checker, &ConnectionChecker::finished, this, [&answers] { ++answers; });
    checker.start();
    QTRY_COMPARE_WITH_TIMEOUT(answers, 1, 10000);
}

void tst_ClientConnectionChecker::diagnosis_data()
{
    // The reported state; -1 for no network state client.
    QTest::addColumn<int>("reported");
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("loginRequired");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QString>("result");

    const QByteArray confirmed = "<p>Your connection is confirmed.</p>";
    QTest::newRow("connected, confirmed") << 0 << confirmed << 0 << false << QStringList{Confirmation} << "connected";
    QTest::newRow("connected, a log-in page in the way")
        << 0 << QByteArray("<form>Log in to the hotel network</form>") << 0 << true << QStringList{Confirmation}
        << "additional log in is required";
    QTest::newRow("no Internet connection") << 1 << confirmed << 1 << false << QStringList() << "no Internet connection";
    QTest::newRow("Wi-Fi disabled") << 2 << confirmed << 2 << false << QStringList() << "WiFi adapter is disabled";
    QTest::newRow("no IPv4") << 3 << confirmed << 3 << false << QStringList() << "no any IPv4 configuration";
    QTest::newRow("no wireless networks") << 4 << confirmed << 4 << false << QStringList() << "no wireless  networks";
    QTest::newRow("wireless networks, none joined")
        << 5 << confirmed << 5 << false << QStringList() << "no connected wireless ";
    QTest::newRow("a state of no known kind") << 9 << confirmed << 9 << false << QStringList() << "(!) uknown result";
    QTest::newRow("no network state client")
        << -1 << confirmed << 1 << false << QStringList() << "no Internet connection";
}

void tst_ClientConnectionChecker::diagnosis()
{
    QFETCH(int, reported);
    QFETCH(QByteArray, page);
    QFETCH(int, state);
    QFETCH(bool, loginRequired);
    QFETCH(QStringList, requests);
    QFETCH(QString, result);
    WebHostStandIn webHost(ScriptedNetwork::WebHostAddress, network->folders.appFolder(), page);
    QVERIFY(webHost.isRunning());
    if (reported < 0)
        NetworkCtlClient::dropInstance();
    else
        QVERIFY(network->report(reportOfState(reported)));

    ConnectionChecker checker;
    QSignalSpy finished(&checker, &ConnectionChecker::finished);
    checker.start();
    QVERIFY(finished.wait(10000));

    QCOMPARE(finished.count(), 1);
    QCOMPARE(int(finished.first().at(0).value<ConnectionPhysicalState>()), state);
    QCOMPARE(finished.first().at(1).toBool(), loginRequired);
    QCOMPARE(webHost.requests(), requests);
    QCOMPARE(diagnosticLog(), (QStringList{"network diagnostic: start!", "network diagnostic: completed = " + result}));
}

// The diagnosis starts the same checker again while a log-in page stands in the way.
void tst_ClientConnectionChecker::runsAgainOnceFinished()
{
    QVERIFY(network->report(reportOfState(2)));
    ConnectionChecker checker;
    QSignalSpy finished(&checker, &ConnectionChecker::finished);
    checker.start();
    QVERIFY(finished.wait(5000));
    QVERIFY(network->report(reportOfState(4)));
    checker.start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.count(), 2);
    QCOMPARE(int(finished.last().at(0).value<ConnectionPhysicalState>()), 4);
}

// The application may drop the network state client while the worker runs.
void tst_ClientConnectionChecker::stateIsTakenAtStart()
{
    QVERIFY(network->report(reportOfState(2)));
    ConnectionChecker checker;
    QSignalSpy finished(&checker, &ConnectionChecker::finished);
    checker.start();
    NetworkCtlClient::dropInstance();
    QVERIFY(finished.wait(5000));
    QCOMPARE(int(finished.first().at(0).value<ConnectionPhysicalState>()), 2);
}

// A network change deletes the running checker on the application's thread:
// that must not wait for the page, and the result must not come after all.
void tst_ClientConnectionChecker::deletingMidRunReturnsAtOnce()
{
    WebHostStandIn silentHost(ScriptedNetwork::WebHostAddress, network->folders.appFolder(), std::nullopt);
    QVERIFY(silentHost.isRunning());
    QVERIFY(network->report(reportOfState(0)));
    auto* checker = new ConnectionChecker;
    int results = 0;
    connect(checker, &ConnectionChecker::finished, this, [&results] { ++results; });
    checker->start();
    QTRY_COMPARE(silentHost.requests(), QStringList{Confirmation});
    checker->start();
    QVERIFY(workerThreadRuns());

    QElapsedTimer clock;
    clock.start();
    delete checker;
    QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));

    // Cut loose, the worker gives the page up at once and ends; it deletes itself.
    QTRY_VERIFY_WITH_TIMEOUT(!workerThreadRuns(), 5000);
    QTest::qWait(100);
    QCOMPARE(results, 0);
    QCOMPARE(diagnosticLog(), QStringList{"network diagnostic: start!"});
    QCOMPARE(silentHost.requests(), QStringList{Confirmation});
}

OZM_NAMESPACE_TEST_MAIN(tst_ClientConnectionChecker, ScriptedNetwork::namespaces())

#include "tst_ClientConnectionChecker.moc"
