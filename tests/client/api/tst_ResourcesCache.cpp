#include "ApiTestKit.h"

#include <CacheEntry.h>
#include <Folders.h>
#include <PrivateNamespaces.h>
#include <ResourcesCache.h>
#include <SmallDisk.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>

using Cache = ResourcesCache<CacheEntry>;

class tst_ResourcesCache : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTrip_data();
    void roundTrip();
    void refusedFile_data();
    void refusedFile();
    void removeEntry();
    void unusableName_data();
    void unusableName();
    void failedWriteKeepsOldFile();

private:
    std::unique_ptr<QTemporaryDir> data;
};

namespace {

QByteArray array(const QByteArray& bytes)
{
    return bytes.isNull() ? bigEndianWord(0xFFFFFFFF) : bigEndianWord(quint32(bytes.size())) + bytes;
}

} // namespace

void tst_ResourcesCache::init()
{
    data = std::make_unique<QTemporaryDir>();
    QVERIFY(data->isValid());
    Folders::setAppDataFolder(data->path());
}

void tst_ResourcesCache::roundTrip_data()
{
    QTest::addColumn<QByteArray>("lastModified");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("null Last-Modified") << QByteArray() << QByteArray("\x89PNG data", 9);
    QTest::newRow("with Last-Modified") << QByteArray("Wed, 21 Oct 2015 07:28:00 GMT") << QByteArray(70000, '\x01');
    QTest::newRow("empty Last-Modified") << QByteArray("") << QByteArray("x");
}

// The directory is made on the way; the file is the layout byte for byte.
void tst_ResourcesCache::roundTrip()
{
    QFETCH(QByteArray, lastModified);
    QFETCH(QByteArray, bytes);
    const QString dir = data->filePath(QStringLiteral("cachedresources"));
    QVERIFY(!QFileInfo::exists(dir));
    QVERIFY(Cache::saveEntry(QStringLiteral("logo"), CacheEntry{lastModified, bytes}));
    QCOMPARE(Cache::entryFilePath(QStringLiteral("logo")), dir + QStringLiteral("/logo.dat"));
    QCOMPARE(contentOf(dir + QStringLiteral("/logo.dat")),
             bigEndianWord(0x55555555) + bigEndianWord(2) + array(lastModified) + array(bytes));
    const CacheEntry entry = Cache::loadEntry(QStringLiteral("logo"));
    QCOMPARE(entry.lastModified.isNull(), lastModified.isNull());
    QCOMPARE(entry.lastModified, lastModified);
    QCOMPARE(entry.data, bytes);
}

void tst_ResourcesCache::refusedFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("logged");
    const QByteArray rest = array("x") + array("y");
    QTest::newRow("version 1") << bigEndianWord(0x55555555) + bigEndianWord(1) + rest
                               << "ERROR [resource's cache] cache file logo is too old , version= 1";
    QTest::newRow("version 3") << bigEndianWord(0x55555555) + bigEndianWord(3) + rest
                               << "ERROR [resource's cache] cache file logo is too new , version= 3";
    QTest::newRow("bad magic") << bigEndianWord(0x55555554) + bigEndianWord(2) + rest
                               << "ERROR [resource's cache] cache file logo has bad format";
    QTest::newRow("empty file") << QByteArray() << "ERROR [resource's cache] cache file logo has bad format";
    QTest::newRow("missing") << QByteArray("none")
                             << "ERROR [resource's cache] cache file missing/can't be opened:";
}

void tst_ResourcesCache::refusedFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, logged);
    if (content != "none")
        writeFile(Cache::entryFilePath(QStringLiteral("logo")), content);
    const MessageCapture log;
    const CacheEntry entry = Cache::loadEntry(QStringLiteral("logo"));
    QVERIFY(entry.isEmpty());
    QVERIFY(entry.lastModified.isEmpty());
    const QStringList critical = log.messages(QtCriticalMsg);
    QVERIFY2(critical.size() == 1 && critical.first().startsWith(logged), qPrintable(critical.join('\n')));
    // A bad file stays until a good download replaces it.
    QCOMPARE(QFileInfo::exists(Cache::entryFilePath(QStringLiteral("logo"))), content != "none");
}

void tst_ResourcesCache::removeEntry()
{
    QVERIFY(Cache::removeEntry(QStringLiteral("logo")));
    QVERIFY(Cache::saveEntry(QStringLiteral("logo"), CacheEntry{QByteArray(), "x"}));
    QVERIFY(Cache::removeEntry(QStringLiteral("logo")));
    QVERIFY(!QFileInfo::exists(Cache::entryFilePath(QStringLiteral("logo"))));
    QVERIFY(Cache::removeEntry(QStringLiteral("logo")));
}

void tst_ResourcesCache::unusableName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("parent folder") << "../configuration";
    QTest::newRow("path") << "a/b";
    QTest::newRow("dot") << "logo.png";
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << "my logo";
}

// A name is never a path: nothing is written, read or removed for it.
void tst_ResourcesCache::unusableName()
{
    QFETCH(QString, name);
    writeFile(data->filePath(QStringLiteral("configuration.dat")), "keep");
    writeFile(data->filePath(QStringLiteral("cachedresources/a/b.dat")), "keep");
    const MessageCapture log;
    QVERIFY(!Cache::saveEntry(name, CacheEntry{QByteArray(), "x"}));
    QVERIFY(Cache::loadEntry(name).isEmpty());
    QVERIFY(!Cache::removeEntry(name));
    QCOMPARE(contentOf(data->filePath(QStringLiteral("configuration.dat"))), QByteArray("keep"));
    QCOMPARE(contentOf(data->filePath(QStringLiteral("cachedresources/a/b.dat"))), QByteArray("keep"));
    QCOMPARE(QDir(data->filePath(QStringLiteral("cachedresources"))).entryList(QDir::Files), QStringList());
    QCOMPARE(log.messages(QtCriticalMsg).filter(QStringLiteral("[resource's cache] refused item name")).size(), 3);
}

// A full disk is a failed save, and the file cached before stays whole.
void tst_ResourcesCache::failedWriteKeepsOldFile()
{
    const QString dir = data->filePath(QStringLiteral("cachedresources"));
    QVERIFY(QDir().mkpath(dir));
    const SmallDisk disk(dir, 16);
    QVERIFY(disk.isMounted());
    QVERIFY(Cache::saveEntry(QStringLiteral("logo"), CacheEntry{"old", "old data"}));
    const QByteArray before = contentOf(Cache::entryFilePath(QStringLiteral("logo")));
    QVERIFY(disk.fill());
    const MessageCapture log;
    QVERIFY(!Cache::saveEntry(QStringLiteral("logo"), CacheEntry{"new", QByteArray(8000, 'n')}));
    QVERIFY(!log.messages(QtCriticalMsg).isEmpty());
    QCOMPARE(contentOf(Cache::entryFilePath(QStringLiteral("logo"))), before);
}

OZM_NAMESPACE_TEST_MAIN(tst_ResourcesCache, PrivateNamespaces::Options())
#include "tst_ResourcesCache.moc"
