#include "LinkTestKit.h"

#include <ApiTestKit.h>
#include <FakeBackendPeer.h>
#include <LinkProtocol.h>
#include <LocalSocketOwner.h>
#include <Ozm.h>
#include <PrivateNamespaces.h>

#include <QElapsedTimer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <sys/fsuid.h>

namespace {

// How long a test waits for an answer that should come at once: room for a loaded
// machine under the sanitizers, never a measure of speed.
const int AnswerWaitMs = 30000;

const QString Rejected = QStringLiteral("Ozm: Error connection - backend service reject connection.");
const QString Connected = QStringLiteral("Ozm: Successfully connected to backend service.");

// The names of this process's threads, as the system shows them.
QStringList threadNames()
{
    QStringList names;
    for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm("/proc/self/task/" + task + "/comm");
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromUtf8(comm.readAll().trimmed());
    }
    return names;
}

QByteArray folderLines(const ClientFolders& folders)
{
    return "OZM_SET_APP_DIR\n" + folders.appFolder().toUtf8() + "\nOZM_SET_APP_DATA_DIR\n"
         + folders.dataFolder().toUtf8() + '\n';
}

// A listener of another user on the link's port. A socket belongs to the user its
// creating or accepting thread acts as for files, so this one's thread acts as nobody.
class ForeignListener : public QThread
{
public:
    static constexpr uid_t Nobody = 65534;

    bool start()
    {
        QThread::start();
        m_ready.acquire();
        return m_listening;
    }
    // What it got until the client closed the log connection, once finished.
    bool closedByClient = false;
    QByteArray received;

protected:
    void run() override
    {
        ::setfsuid(Nobody);
        FakeBackendPeer peer;
        m_listening = peer.listen();
        m_ready.release();
        closedByClient = peer.waitUntilLogClosed(10000);
        received = peer.logBytes() + peer.handshakeBytes();
    }

private:
    QSemaphore m_ready;
    bool m_listening = false;
};

} // namespace

// Starting the backend, the connections and the handshake, the backend's log, and
// the end of the link, against a scripted backend.
class tst_Ozm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void handshake_data();
    void handshake();
    void backendProgramIsThePathAsItIs();
    void listenerOfAnotherUserGetsNothing();
    void backendLogReachesClientLog();
    void dropClosesBothConnections();
    void backendThatStaysIsLetGo();
    void failedStartIsDroppedAtOnce();

private:
    std::unique_ptr<FakeBackendPeer> peer;
    std::unique_ptr<MessageCapture> log;
};

void tst_Ozm::init()
{
    peer = std::make_unique<FakeBackendPeer>();
    QVERIFY(peer->listen());
    log = std::make_unique<MessageCapture>();
}

void tst_Ozm::cleanup()
{
    Ozm::dropInstance();
    log.reset();
    peer.reset();
}

void tst_Ozm::handshake_data()
{
    QTest::addColumn<QByteArray>("number"); // null: the connection is closed instead
    QTest::addColumn<QByteArray>("verdict");
    QTest::addColumn<QByteArray>("clientWroteAfterFolders");
    QTest::addColumn<bool>("accepted");

    const QByteArray number = "5314";
    const QByteArray echoed = "5314\n";
    QTest::newRow("accepted") << number << QByteArray("2702") << echoed << true;
    QTest::newRow("blanks around the lines") << QByteArray(" 5314\t") << QByteArray("2702 ") << echoed << true;
    QTest::newRow("rejected at once, the number still goes out") << QByteArray("2701") << QByteArray() << echoed << false;
    QTest::newRow("wrong number rejected") << number << QByteArray("2701") << echoed << false;
    QTest::newRow("another line") << number << QByteArray("ready") << echoed << false;
    QTest::newRow("closed before the verdict") << number << QByteArray() << echoed << false;
    QTest::newRow("closed before the number") << QByteArray() << QByteArray() << QByteArray() << false;
    QTest::newRow("number past 4 KiB") << QByteArray(5000, '5') << QByteArray("2702") << QByteArray() << false;
}

void tst_Ozm::handshake()
{
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, verdict);
    QFETCH(QByteArray, clientWroteAfterFolders);
    QFETCH(bool, accepted);
    const ClientFolders folders;
    peer->setHandshake(number.isNull() ? std::nullopt : std::optional(number),
                       verdict.isNull() ? std::nullopt : std::optional(verdict));

    Ozm::initInstance();
    Ozm* const link = Ozm::inst();
    QVERIFY(link);
    QCOMPARE(link->serviceIsRunning(), accepted);
    if (!accepted)
        QVERIFY(peer->waitUntilControlClosed());
    QCOMPARE(peer->handshakeBytes(), folderLines(folders) + clientWroteAfterFolders);
    if (accepted) {
        QVERIFY(log->messages(QtDebugMsg).contains(Connected));
        // A second start changes nothing.
        Ozm::initInstance();
        QCOMPARE(Ozm::inst(), link);
        QCOMPARE(peer->connectionCount(), 2);
    } else {
        QCOMPARE(log->messages(QtCriticalMsg), QStringList{Rejected});
    }
}

// The folder's name keeps its blank and its quotes: the program is started as the
// path it is, with no arguments, and its output reaches the client log.
void tst_Ozm::backendProgramIsThePathAsItIs()
{
    const ClientFolders folders("echo \"0started with $# arguments\"\necho \"2complains\" >&2", "my \"app\" folder");
    QCOMPARE(startLink(), QString());
    QVERIFY(peer->handshakeBytes().startsWith(folderLines(folders)));
    QTRY_VERIFY(log->messages(QtDebugMsg).contains("[S] started with 0 arguments"));
    QTRY_VERIFY(log->messages(QtCriticalMsg).contains("[S] complains"));
    QVERIFY(log->messages(QtDebugMsg).contains("Ozm: starting backend process: " + folders.backendProgram()));
}

void tst_Ozm::listenerOfAnotherUserGetsNothing()
{
    const ClientFolders folders;
    peer.reset();
    ForeignListener nobodys;
    QVERIFY(nobodys.start());
    QCOMPARE(LocalSocketOwner::listenerUid(LinkProtocol::ServicePort), std::optional<uid_t>(ForeignListener::Nobody));

    Ozm::initInstance();
    QVERIFY(!Ozm::inst()->serviceIsRunning());
    QCOMPARE(log->messages(QtCriticalMsg), (QStringList{"Ozm: backend service does not run as root.", Rejected}));
    QVERIFY(nobodys.wait(AnswerWaitMs));
    QVERIFY(nobodys.closedByClient);
    QCOMPARE(nobodys.received, QByteArray());
}

// Before the handshake the service thread reads the log connection, after it the
// log thread does; either way each line lands at its level, marked as the backend's.
void tst_Ozm::backendLogReachesClientLog()
{
    const ClientFolders folders;
    QCOMPARE(startLink(), QString());
    peer->sendLog("2went wrong\nin two lines\n1careful\n0fine\n4said\n");
    QTRY_VERIFY(log->messages(QtDebugMsg).contains("[S] said"));
    QCOMPARE(log->messages(QtCriticalMsg), (QStringList{"[S] went wrong", "[S] in two lines"}));
    QCOMPARE(log->messages(QtWarningMsg), QStringList{"[S] careful"});
    const QStringList debug = log->messages(QtDebugMsg);
    QVERIFY(debug.indexOf("[S] fine") < debug.indexOf("[S] said"));
}

void tst_Ozm::dropClosesBothConnections()
{
    const ClientFolders folders;
    QCOMPARE(startLink(), QString());
    // The system keeps 15 characters of a thread's name. A new thread names
    // itself once it runs, which on a busy machine may be after the handshake.
    const QStringList linkThreads = {"ozm_service_thr", "backend_log_thr"};
    for (const QString& name : linkThreads)
        QTRY_VERIFY2(threadNames().contains(name), qPrintable(threadNames().join(' ')));
    QSignalSpy fatal(Ozm::inst(), &Ozm::fatalErrorNotConnected);
    Ozm::dropInstance();
    QCOMPARE(Ozm::inst(), nullptr);
    // A thread that has finished may take a moment to leave.
    for (const QString& name : linkThreads)
        QTRY_VERIFY(!threadNames().contains(name));
    QVERIFY(peer->waitUntilControlClosed());
    QCOMPARE(fatal.count(), 0);
    QVERIFY(!log->messages(QtCriticalMsg).contains("Ozm: Backend service unexpectedly disconnected."));
}

// Its user cannot signal a set-uid backend: the client waits for it a while and
// then leaves it be.
void tst_Ozm::backendThatStaysIsLetGo()
{
    const ClientFolders folders("echo $$ > \"$0.pid\"\nexec sleep 60");
    QCOMPARE(startLink(), QString());
    QFile pidFile(folders.backendProgram() + ".pid");
    QTRY_VERIFY(pidFile.size() > 0);
    QVERIFY(pidFile.open(QIODevice::ReadOnly));
    const pid_t backend = pid_t(pidFile.readAll().trimmed().toInt());
    QVERIFY(backend > 0);

    QElapsedTimer clock;
    clock.start();
    Ozm::dropInstance();
    QVERIFY(clock.elapsed() >= Ozm::BackendFinishWaitMs);
    QVERIFY(clock.elapsed() < Ozm::BackendFinishWaitMs + 3000);
    QCOMPARE(::kill(backend, 0), 0);
    ::kill(backend, SIGKILL);
}

void tst_Ozm::failedStartIsDroppedAtOnce()
{
    {
        const ClientFolders noBackend(QByteArray{});
        QElapsedTimer clock;
        clock.start();
        Ozm::initInstance();
        QVERIFY(Ozm::inst());
        QVERIFY(!Ozm::inst()->serviceIsRunning());
        const QStringList critical = log->messages(QtCriticalMsg);
        QCOMPARE(critical.size(), 1);
        QVERIFY2(critical.first().startsWith("Ozm: Cannot launch backend service process: "), qPrintable(critical.first()));
        Ozm::dropInstance();
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(peer->connectionCount(), 0);
    }
    const ClientFolders folders;
    QCOMPARE(startLink(), QString());
}

OZM_NAMESPACE_TEST_MAIN(tst_Ozm, PrivateNamespaces::Options().withOwnProcesses())

#include "tst_Ozm.moc"
