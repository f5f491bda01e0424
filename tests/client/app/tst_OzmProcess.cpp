#include "ClientInstallation.h"

#include <PrivateNamespaces.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTest>

#include <csignal>
#include <memory>

namespace {
const QByteArray Linked = "Ozm: Successfully connected to backend service.";
constexpr int ProcessEndMs = 120000;

bool ended(QProcess* process)
{
    return process->state() == QProcess::NotRunning || process->waitForFinished(ProcessEndMs);
}
} // namespace

// The real client against its real backend, each run in a private installation,
// home and runtime folder, inside namespaces of the test's own.
class tst_OzmProcess : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void quitWithoutClientTouchesNothing();
    void firstStart_data();
    void firstStart();
    void secondStart_data();
    void secondStart();
    void secondStartWithOtherTemporaryFolderFindsTheFirst();
    void twoStartsAtOnceLeaveOne();
    void secondStartLeavesLogWhole();
    void lockOfKilledInstanceIsTakenOver();
    void terminationEndsWithZeroAndLogOnDisk_data();
    void terminationEndsWithZeroAndLogOnDisk();
    void stoppedBackendStillLetsQuit_data();
    void stoppedBackendStillLetsQuit();

private:
    QProcess* startLinkedClient();

    std::unique_ptr<ClientInstallation> installation;
};

void tst_OzmProcess::init()
{
    QVERIFY(PrivateNamespaces::renewNetwork());
    installation = std::make_unique<ClientInstallation>();
}

void tst_OzmProcess::cleanup()
{
    installation.reset();
}

QProcess* tst_OzmProcess::startLinkedClient()
{
    QProcess* client = installation->start({});
    if (!installation->waitForLog(Linked))
        return nullptr;
    return client;
}

void tst_OzmProcess::quitWithoutClientTouchesNothing()
{
    QProcessEnvironment noDisplay = installation->environment();
    noDisplay.remove("QT_QPA_PLATFORM");
    QCOMPARE(installation->run({"quit"}, noDisplay), 0);
    QVERIFY(!QFile::exists(installation->logPath()));
}

void tst_OzmProcess::firstStart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no argument") << QStringList();
    QTest::newRow("QUIT") << QStringList{"QUIT"};
    QTest::newRow("Quit") << QStringList{"Quit"};
    QTest::newRow("other") << QStringList{"status"};
}

// Only "quit" exactly asks a client to quit; with none running, any other first
// argument starts one.
void tst_OzmProcess::firstStart()
{
    QFETCH(QStringList, arguments);
    QProcess* client = installation->start(arguments);
    QVERIFY(installation->waitForLog(Linked));
    QCOMPARE(client->state(), QProcess::Running);
    QCOMPARE(installation->run({"quit"}), 0);
    QVERIFY(ended(client));
    QCOMPARE(client->exitStatus(), QProcess::NormalExit);
    QCOMPARE(client->exitCode(), 0);
}

void tst_OzmProcess::secondStart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("firstQuits");

    QTest::newRow("no argument") << QStringList() << false;
    QTest::newRow("quit") << QStringList{"quit"} << true;
    QTest::newRow("QUIT") << QStringList{"QUIT"} << true;
    QTest::newRow("Quit") << QStringList{"Quit"} << true;
    QTest::newRow("quitx") << QStringList{"quitx"} << false;
    QTest::newRow("other") << QStringList{"status"} << false;
}

// Every second start ends with 0 at once; the first client quits on "quit" in
// any letter case and goes on for anything else.
void tst_OzmProcess::secondStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, firstQuits);

    QProcess* first = startLinkedClient();
    QVERIFY(first);
    QCOMPARE(installation->run(arguments), 0);
    if (firstQuits) {
        QVERIFY(ended(first));
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 0);
    } else {
        QCOMPARE(first->state(), QProcess::Running);
        // Still the instance: a quit now reaches it.
        QCOMPARE(installation->run({"quit"}), 0);
        QVERIFY(ended(first));
        QCOMPARE(first->exitCode(), 0);
    }
    QVERIFY(QFile::exists(installation->logPath()));
}

void tst_OzmProcess::secondStartWithOtherTemporaryFolderFindsTheFirst()
{
    QProcess* first = startLinkedClient();
    QVERIFY(first);
    QProcessEnvironment other = installation->environment();
    const QString elsewhere = installation->runtimeFolder() + "/../other-tmp";
    QVERIFY(QDir().mkpath(elsewhere));
    other.insert("TMPDIR", elsewhere);
    QCOMPARE(installation->run({"quit"}, other), 0);
    QVERIFY(ended(first));
    QCOMPARE(first->exitCode(), 0);
}

void tst_OzmProcess::twoStartsAtOnceLeaveOne()
{
    QProcess* a = installation->start({});
    QProcess* b = installation->start({});
    QVERIFY(QTest::qWaitFor([&] { return a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning; },
                            ProcessEndMs));
    QProcess* gone = a->state() == QProcess::NotRunning ? a : b;
    QProcess* running = gone == a ? b : a;
    QCOMPARE(gone->exitCode(), 0);
    QVERIFY(installation->waitForLog(Linked));
    QCOMPARE(running->state(), QProcess::Running);
    QCOMPARE(installation->run({"quit"}), 0);
    QVERIFY(ended(running));
    QCOMPARE(running->exitCode(), 0);
}

// Only the client that goes on running may halve its log; a second start finds
// it over the limit and leaves it whole. The first is stopped meanwhile, so that
// the cut it may make after any line of its own cannot come in between.
void tst_OzmProcess::secondStartLeavesLogWhole()
{
    QProcess* first = startLinkedClient();
    QVERIFY(first);
    QCOMPARE(::kill(pid_t(first->processId()), SIGSTOP), 0);
    QFile log(installation->logPath());
    QVERIFY(log.open(QIODevice::Append));
    for (int line = 0; line < 11000; ++line)
        log.write(QByteArray(99, 'x') + '\n');
    log.close();
    const QByteArray before = installation->log();
    QVERIFY(before.size() > 1024000);

    QCOMPARE(installation->run({}), 0);
    QVERIFY(installation->log().startsWith(before));
    QCOMPARE(::kill(pid_t(first->processId()), SIGCONT), 0);
    QCOMPARE(installation->run({"quit"}), 0);
    QVERIFY(ended(first));
    QCOMPARE(first->exitCode(), 0);
}

void tst_OzmProcess::lockOfKilledInstanceIsTakenOver()
{
    QProcess* first = startLinkedClient();
    QVERIFY(first);
    first->kill();
    QVERIFY(ended(first));

    QProcess* second = installation->start({});
    QVERIFY(installation->waitForLog(Linked, 2));
    QCOMPARE(second->state(), QProcess::Running);
    QCOMPARE(installation->run({"quit"}), 0);
    QVERIFY(ended(second));
    QCOMPARE(second->exitCode(), 0);
}

void tst_OzmProcess::terminationEndsWithZeroAndLogOnDisk_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

// The client ends through its loop and its teardown, and leaves no torn line.
void tst_OzmProcess::terminationEndsWithZeroAndLogOnDisk()
{
    QFETCH(int, signal);
    QProcess* client = startLinkedClient();
    QVERIFY(client);
    QCOMPARE(::kill(pid_t(client->processId()), signal), 0);
    QVERIFY(ended(client));
    QCOMPARE(client->exitStatus(), QProcess::NormalExit);
    QCOMPARE(client->exitCode(), 0);
    QVERIFY(installation->log().endsWith('\n'));
}

void tst_OzmProcess::stoppedBackendStillLetsQuit_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("ozm quit") << "quit";
    QTest::newRow("SIGTERM") << "SIGTERM";
}

// A backend that stopped answering (stopped, its connections still open) keeps
// neither a quit nor a termination from ending the client: the teardown gives
// the backend its time to end and then leaves it.
void tst_OzmProcess::stoppedBackendStillLetsQuit()
{
    QFETCH(QString, way);
    QProcess* client = startLinkedClient();
    QVERIFY(client);
    QProcess find;
    find.start("/usr/bin/pgrep", {"-P", QString::number(client->processId()), "-x", "ozm_launch"});
    QVERIFY(find.waitForFinished());
    const pid_t backend = find.readAllStandardOutput().trimmed().toInt();
    QVERIFY(backend > 0);
    QCOMPARE(::kill(backend, SIGSTOP), 0);
    const auto killBackend = qScopeGuard([backend] { ::kill(backend, SIGKILL); });

    if (way == "quit")
        QCOMPARE(installation->run({"quit"}), 0);
    else
        QCOMPARE(::kill(pid_t(client->processId()), SIGTERM), 0);
    QVERIFY(ended(client));
    QCOMPARE(client->exitStatus(), QProcess::NormalExit);
    QCOMPARE(client->exitCode(), 0);
}

OZM_NAMESPACE_TEST_MAIN(tst_OzmProcess, PrivateNamespaces::Options().withOwnProcesses())
#include "tst_OzmProcess.moc"
