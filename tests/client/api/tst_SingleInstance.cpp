#include <AppConstants.h>
#include <SingleInstance.h>

#include <QDir>
#include <QFile>
#include <QFuture>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {
const QString Id = QStringLiteral("{test-instance}");

int modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}
} // namespace

// One instance per user, found through a private folder, and the messages a
// later start hands it.
class tst_SingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void folderIsPrivateAndIgnoresTemporaryFolder();
    void folderFallsBackToDataFolder();
    void secondIsTold();
    void message_data();
    void message();
    void oversizedMessageIsRefused();
    void noInstanceNoAcknowledgement();
    void deadOwnersLockAndSocketAreTakenOver();

private:
    // Sends from another thread while this one serves, as a second process would.
    bool sendAside(const QString& message);

    std::unique_ptr<QTemporaryDir> dir;
};

void tst_SingleInstance::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(dir->path()).mkpath("run"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir->filePath("run")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir->filePath("data")));
    qputenv("TMPDIR", QFile::encodeName(dir->filePath("tmp")));
}

bool tst_SingleInstance::sendAside(const QString& message)
{
    SingleInstance sender(Id);
    QFuture<bool> sent = QtConcurrent::run([&] { return sender.sendMessage(message, 5000); });
    while (!sent.isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return sent.result();
}

void tst_SingleInstance::folderIsPrivateAndIgnoresTemporaryFolder()
{
    SingleInstance first(Id);
    QVERIFY(!first.isRunning());
    const QString folder = dir->filePath("run/") + gApplicationName;
    QCOMPARE(SingleInstance::folder(), folder);
    QCOMPARE(modeOf(folder), 0700);
    QVERIFY(QFile::exists(folder + "/" + Id + ".lock"));
    QVERIFY(QFile::exists(folder + "/" + Id + ".socket"));

    qputenv("TMPDIR", QFile::encodeName(dir->filePath("elsewhere")));
    SingleInstance second(Id);
    QVERIFY(second.isRunning());
}

void tst_SingleInstance::folderFallsBackToDataFolder()
{
    qunsetenv("XDG_RUNTIME_DIR");
    SingleInstance first(Id);
    QVERIFY(!first.isRunning());
    QCOMPARE(SingleInstance::folder(), dir->filePath("data/") + gApplicationName);
    QCOMPARE(modeOf(SingleInstance::folder()), 0700);
}

void tst_SingleInstance::secondIsTold()
{
    SingleInstance first(Id);
    QVERIFY(!first.isRunning());
    QVERIFY(!first.isRunning());
    SingleInstance second(Id);
    QVERIFY(second.isRunning());
}

void tst_SingleInstance::message_data()
{
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QString();
    QTest::newRow("quit") << "quit";
    QTest::newRow("not Latin-1") << QString::fromUtf8("Grüße ✓");
    QTest::newRow("largest") << QString(int(SingleInstance::MaxMessageBytes), QLatin1Char('x'));
}

void tst_SingleInstance::message()
{
    QFETCH(QString, message);
    SingleInstance first(Id);
    QVERIFY(!first.isRunning());
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    QVERIFY(sendAside(message));
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.first().first().toString(), message);
}

void tst_SingleInstance::oversizedMessageIsRefused()
{
    SingleInstance first(Id);
    QVERIFY(!first.isRunning());
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    QVERIFY(!sendAside(QString(int(SingleInstance::MaxMessageBytes) + 1, QLatin1Char('x'))));
    QCOMPARE(received.count(), 0);
    // The instance still serves the next start.
    QVERIFY(sendAside("after"));
    QCOMPARE(received.count(), 1);
}

void tst_SingleInstance::noInstanceNoAcknowledgement()
{
    SingleInstance lone(Id);
    QVERIFY(!lone.sendMessage("quit", 5000));
}

void tst_SingleInstance::deadOwnersLockAndSocketAreTakenOver()
{
    QProcess dead;
    dead.start("/bin/true", QStringList());
    QVERIFY(dead.waitForFinished());
    const qint64 deadPid = dead.processId() > 0 ? dead.processId() : 999999;
    {
        // What a killed instance leaves: its lock and its socket.
        SingleInstance killed(Id);
        QVERIFY(!killed.isRunning());
    }
    QDir().mkpath(SingleInstance::folder());
    QFile lock(SingleInstance::folder() + "/" + Id + ".lock");
    QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(QByteArray::number(deadPid) + "\n" + QCoreApplication::applicationName().toUtf8() + "\n"
               + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    QFile stale(SingleInstance::folder() + "/" + Id + ".socket");
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();

    SingleInstance next(Id);
    QVERIFY(!next.isRunning());
    QSignalSpy received(&next, &SingleInstance::messageReceived);
    QVERIFY(sendAside("QUIT"));
    QCOMPARE(received.count(), 1);
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
