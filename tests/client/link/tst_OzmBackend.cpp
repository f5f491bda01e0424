#include "LinkTestKit.h"

#include <ApiTestKit.h>
#include <Folders.h>
#include <Ozm.h>
#include <PrivateNamespaces.h>

#include <QDir>
#include <QtTest>

#include <csignal>

namespace {

const QString Staged = QStringLiteral(OZM_APP_DIR);

// The staged backend's pid, 0 when it does not run. This test's processes are
// alone in their pid namespace.
pid_t stagedBackend()
{
    const QString program = QFileInfo(Staged + "/ozm_launch").canonicalFilePath();
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        if (isPid && QFileInfo("/proc/" + entry + "/exe").symLinkTarget() == program)
            return pid_t(pid);
    }
    return 0;
}

} // namespace

// The link with the real backend from the staged application folder, in a
// network with nothing but loopback.
class tst_OzmBackend : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void session();
    void killedBackendFailsEveryWaiter();

private:
    QTemporaryDir data;
    std::unique_ptr<MessageCapture> log;
    std::unique_ptr<LinkUser> user;
};

void tst_OzmBackend::init()
{
    QVERIFY(PrivateNamespaces::renewNetwork());
    QFile::setPermissions(data.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Folders::setAppFolder(Staged);
    Folders::setAppDataFolder(data.path());
    log = std::make_unique<MessageCapture>();
    user = std::make_unique<LinkUser>();
    QCOMPARE(startLink(), QString());
    user->attach(*Ozm::inst());
    Ozm::inst()->startSocketProcessing();
}

void tst_OzmBackend::cleanup()
{
    Ozm::dropInstance();
    user.reset();
    log.reset();
}

void tst_OzmBackend::session()
{
    QVERIFY(user->waitForEntries(2));
    QVERIFY2(user->journal.at(0).startsWith("NETWORK|"), qPrintable(user->journal.join('\n')));
    QCOMPARE(user->journal.at(0).count('|'), 8);
    QCOMPARE(user->journal.at(1), QString("STATE|0"));

    QVERIFY(user->ask("OZM_INITIAL_ACTIVATION_STATE"));
    QCOMPARE(user->lastAnswer, QStringList{"0"});
    QTRY_VERIFY(log->messages(QtDebugMsg).contains("[S] BackendService: OZM client connected successfully."));

    Ozm::dropInstance();
    QVERIFY(log->messages(QtDebugMsg).contains("Ozm: backend service process ended with exit code 0"));
    QCOMPARE(stagedBackend(), 0);
}

void tst_OzmBackend::killedBackendFailsEveryWaiter()
{
    QVERIFY(user->waitForEntries(2));
    // The backend answers no request it does not know.
    user->send("OZM_NO_SUCH_REQUEST");
    QTRY_VERIFY(log->messages(QtWarningMsg)
                    .contains("[S] BackendService: unknown command OZM_NO_SUCH_REQUEST Skipping command."));
    const pid_t backend = stagedBackend();
    QVERIFY(backend > 0);
    QCOMPARE(::kill(backend, SIGKILL), 0);

    QVERIFY(user->waitForEntries(6));
    const QStringList journal = user->settledJournal();
    QCOMPARE(journal.size(), 6);
    // The loss is told before the empty answers, so they can be taken in silence.
    QCOMPARE(journal.at(2), QString("FATAL"));
    QCOMPARE(QSet<QString>(journal.begin() + 3, journal.begin() + 5), (QSet<QString>{"NETWORK", "STATE"}));
    QCOMPARE(journal.at(5), QString("ANSWER"));
    QVERIFY(log->messages(QtCriticalMsg).contains("Ozm: Backend service unexpectedly disconnected."));
    QVERIFY(!Ozm::inst()->serviceIsRunning());
}

OZM_NAMESPACE_TEST_MAIN(tst_OzmBackend, PrivateNamespaces::Options().withOwnProcesses())

#include "tst_OzmBackend.moc"
