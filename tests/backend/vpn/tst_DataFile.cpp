#include "DataFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

// The backend works as root in a folder the user controls.
class tst_DataFile : public QObject
{
    Q_OBJECT
private slots:
    void readTail_data();
    void readTail();
    void folderMustBeAFolderItself_data();
    void folderMustBeAFolderItself();
    void folderSwappedForALinkChangesNothing();
};

void tst_DataFile::readTail_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("read");

    const QByteArray text = "AUTH_FAILED\n";
    QTest::newRow("file") << "file" << text << text;
    QTest::newRow("empty file") << "file" << QByteArray() << QByteArray();
    QTest::newRow("no file") << "missing" << text << QByteArray();
    QTest::newRow("long file keeps its end") << "file" << QByteArray(1000, 'h') + QByteArray(64, 't')
                                             << QByteArray(64, 't');
    QTest::newRow("symbolic link") << "symlink" << text << QByteArray();
    QTest::newRow("second hard link") << "hardlink" << text << QByteArray();
    QTest::newRow("FIFO") << "fifo" << text << QByteArray();
    QTest::newRow("folder") << "folder" << text << QByteArray();
}

void tst_DataFile::readTail()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, read);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString log = dir.filePath("openvpn.log");
    const QString elsewhere = dir.filePath("secret");
    QVERIFY(TestFiles::write(kind == "file" ? log : elsewhere, content));
    if (kind == "symlink")
        QVERIFY(QFile::link(elsewhere, log));
    else if (kind == "hardlink")
        QCOMPARE(::link(QFile::encodeName(elsewhere).constData(), QFile::encodeName(log).constData()), 0);
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(log).constData(), 0600), 0);
    else if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir("openvpn.log"));

    QVERIFY(DataFile::openFolder(dir.path()));
    QCOMPARE(DataFile::readTail("openvpn.log", 64), read);
}

void tst_DataFile::folderMustBeAFolderItself_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("opened");

    QTest::newRow("folder") << "folder" << true;
    QTest::newRow("link to a folder") << "symlink" << false;
    QTest::newRow("file") << "file" << false;
    QTest::newRow("nothing") << "missing" << false;
}

void tst_DataFile::folderMustBeAFolderItself()
{
    QFETCH(QString, kind);
    QFETCH(bool, opened);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString data = dir.filePath("data");
    if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir("data"));
    else if (kind == "symlink")
        QVERIFY(QFile::link(dir.path(), data));
    else if (kind == "file")
        QVERIFY(TestFiles::write(data, "x"));

    QCOMPARE(DataFile::openFolder(data), opened);
    struct stat status;
    QCOMPARE(DataFile::folderStatus(status), opened);
    // Without a folder nothing is made anywhere.
    const int fd = DataFile::createForChild("openvpn.log");
    QCOMPARE(fd >= 0, opened);
    if (fd >= 0)
        ::close(fd);
}

// The folder above is the user's: after the check the data folder may be swapped
// for a link to any other folder. Every operation stays in the folder opened.
void tst_DataFile::folderSwappedForALinkChangesNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QDir top(dir.path());
    QVERIFY(top.mkdir("data") && top.mkdir("other"));
    QVERIFY(TestFiles::write(dir.filePath("data/openvpn.log"), "ours"));
    QVERIFY(TestFiles::write(dir.filePath("data/openvpn.pid"), "123"));
    const QStringList otherFiles{"openvpn.last_pid", "openvpn.log", "openvpn.pid", "openvpn_01.log"};
    for (const QString& name : otherFiles)
        QVERIFY(TestFiles::write(dir.filePath("other/" + name), "other's " + name.toLatin1()));

    QVERIFY(DataFile::openFolder(dir.filePath("data")));
    QVERIFY(top.rename("data", "data.checked"));
    QVERIFY(QFile::link(dir.filePath("other"), dir.filePath("data")));

    QVERIFY(DataFile::exists("openvpn.log"));
    QVERIFY(!DataFile::exists("openvpn_01.log"));
    QByteArray pid;
    QVERIFY(DataFile::readAll("openvpn.pid", pid));
    QCOMPARE(pid, QByteArray("123"));
    QCOMPARE(DataFile::readTail("openvpn.log", 64), QByteArray("ours"));
    QVERIFY(DataFile::rename("openvpn.log", "openvpn_01.log"));
    QVERIFY(!DataFile::remove("openvpn.last_pid"));
    QVERIFY(DataFile::rename("openvpn.pid", "openvpn.last_pid"));
    const int fd = DataFile::createForChild("openvpn.log");
    QVERIFY(fd >= 0);
    ::close(fd);

    QCOMPARE(QDir(dir.filePath("data.checked")).entryList(QDir::Files),
             (QStringList{"openvpn.last_pid", "openvpn.log", "openvpn_01.log"}));
    QCOMPARE(TestFiles::read(dir.filePath("data.checked/openvpn_01.log")), QByteArray("ours"));
    QCOMPARE(QDir(dir.filePath("other")).entryList(QDir::Files), otherFiles);
    for (const QString& name : otherFiles)
        QCOMPARE(TestFiles::read(dir.filePath("other/" + name)), "other's " + name.toLatin1());
}

QTEST_GUILESS_MAIN(tst_DataFile)
#include "tst_DataFile.moc"
