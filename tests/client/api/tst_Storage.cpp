#include "ApiTestKit.h"

#include <AppConstants.h>
#include <Folders.h>
#include <PrivateNamespaces.h>
#include <SmallDisk.h>
#include <Storage.h>

#include <QDir>
#include <QtEndian>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {

// The store's file layout, written out by hand.
QByteArray qtString(const QString& text)
{
    if (text.isNull())
        return bigEndianWord(0xFFFFFFFF);
    QByteArray units;
    for (QChar c : text)
        units += bigEndianWord(c.unicode()).right(2);
    return bigEndianWord(quint32(units.size())) + units;
}

QByteArray header(quint32 count, quint32 version = 1)
{
    return bigEndianWord(0x27921FD4) + bigEndianWord(version) + bigEndianWord(count);
}

QByteArray entry(const QString& appId, const QString& email, const QString& password, const QString& serial)
{
    return qtString(appId) + qtString(email) + qtString(password) + qtString(serial);
}

QByteArray ownEntry(const QString& email, const QString& password, const QString& serial)
{
    return entry(app_id, email, password, serial);
}

QByteArray freshEntry()
{
    return ownEntry(QStringLiteral(""), QStringLiteral(""), QStringLiteral(""));
}

QByteArray foreignEntry()
{
    return entry(QStringLiteral("X1"), QStringLiteral("e"), QStringLiteral("p"), QStringLiteral("s"));
}

// A foreign entry, then this client's with an e-mail, a null password and an
// empty serial.
const QByteArray TwoEntries = QByteArray::fromHex(
    "27921fd4 00000001 00000002"
    "00000004 00580031  00000002 0065  00000002 0070  00000002 0073"
    "0000000e 004d00410043002d004f005a004d  00000006 006100400062  ffffffff  00000000");

QStringList fieldsOf(const Storage& storage)
{
    return {storage.userEmail(), storage.userPassword(), storage.serial()};
}

} // namespace

class tst_Storage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void noFileGivesOneFreshEntry();
    void load_data();
    void load();
    void migrationCopyIsSavedAtOnce();
    void emailChangeReachesDiskWithNextSave();
    void invalidateWritesNullStrings();
    void fileIsOwnersOnly();
    void failedSaveLeavesFileWhole_data();
    void failedSaveLeavesFileWhole();
    void removeStorage();

private:
    QString path() const { return data->filePath(Storage::FileName); }

    std::unique_ptr<QTemporaryDir> data;
};

void tst_Storage::init()
{
    data = std::make_unique<QTemporaryDir>();
    Folders::setAppDataFolder(data->path());
}

void tst_Storage::cleanup()
{
    data.reset();
}

void tst_Storage::noFileGivesOneFreshEntry()
{
    Storage storage;
    QCOMPARE(contentOf(path()), QByteArray::fromHex("27921fd4 00000001 00000001"
                                                    "0000000e 004d00410043002d004f005a004d 00000000 00000000 00000000"));
    QCOMPARE(fieldsOf(storage), QStringList({"", "", ""}));
}

void tst_Storage::load_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("setAside");

    const QString old0 = OldAppIdList.at(0);
    const QString old1 = OldAppIdList.at(1);
    const QStringList values{"e", "p", "s"};
    const QStringList fresh{"", "", ""};

    QTest::newRow("own entry among foreign ones") << TwoEntries << TwoEntries << QStringList{"a@b", "", ""} << false;
    QTest::newRow("foreign ids only: a fresh entry after them")
        << header(1) + foreignEntry() << header(2) + foreignEntry() + freshEntry() << fresh << false;
    QTest::newRow("an old id: its values copied")
        << header(1) + entry(old1, "e", "p", "s") << header(2) + entry(old1, "e", "p", "s") + ownEntry("e", "p", "s")
        << values << false;
    QTest::newRow("old ids in list order")
        << header(2) + entry(old1, "1", "1", "1") + entry(old0, "e", "p", "s")
        << header(3) + entry(old1, "1", "1", "1") + entry(old0, "e", "p", "s") + ownEntry("e", "p", "s") << values
        << false;
    QTest::newRow("own id before an old one") << header(2) + entry(old0, "1", "1", "1") + ownEntry("e", "p", "s")
                                              << header(2) + entry(old0, "1", "1", "1") + ownEntry("e", "p", "s")
                                              << values << false;
    QTest::newRow("two own entries: the first used, both kept")
        << header(2) + ownEntry("e", "p", "s") + ownEntry("2", "2", "2")
        << header(2) + ownEntry("e", "p", "s") + ownEntry("2", "2", "2") << values << false;
    QTest::newRow("version 7 read, 1 written") << header(1, 7) + ownEntry("e", "p", "s")
                                               << header(1) + ownEntry("e", "p", "s") << values << false;
    QTest::newRow("cut inside the second entry: the first kept")
        << header(2) + foreignEntry() + ownEntry("e", "p", "s").chopped(3)
        << header(2) + foreignEntry() + freshEntry() << fresh << false;
    QTest::newRow("cut inside a length word") << header(2) + foreignEntry() + QByteArray::fromHex("0000")
                                              << header(2) + foreignEntry() + freshEntry() << fresh << false;
    QTest::newRow("cut inside the first entry") << header(1) + foreignEntry().left(9) << header(1) + freshEntry()
                                                << fresh << false;
    QTest::newRow("cut after the header") << header(3) << header(1) + freshEntry() << fresh << false;
    QTest::newRow("only the magic") << header(1).left(4) << header(1) + freshEntry() << fresh << false;
    QTest::newRow("a count far beyond the entries") << header(0xFFFFFFFF) + ownEntry("e", "p", "s")
                                                    << header(1) + ownEntry("e", "p", "s") << values << false;
    QTest::newRow("a length far beyond the data")
        << header(2) + foreignEntry() + bigEndianWord(0x7FFFFFFE) + QByteArray(64, 'x')
        << header(2) + foreignEntry() + freshEntry() << fresh << false;
    QTest::newRow("an odd length") << header(1) + bigEndianWord(3) + "abc" << header(1) + freshEntry() << fresh << false;
    QTest::newRow("bad magic: set aside") << QByteArray("not a store at all") << header(1) + freshEntry() << fresh
                                          << true;
    QTest::newRow("empty: set aside") << QByteArray() << header(1) + freshEntry() << fresh << true;
}

void tst_Storage::load()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, setAside);
    writeFile(path(), file, 0600);
    {
        Storage storage;
        QTEST(fieldsOf(storage), "fields");
    }
    QTEST(contentOf(path()), "saved");
    const QString aside = path() + Storage::UnreadableSuffix;
    QCOMPARE(QFile::exists(aside), setAside);
    if (setAside)
        QCOMPARE(contentOf(aside), file);
}

void tst_Storage::migrationCopyIsSavedAtOnce()
{
    const QByteArray old = entry(OldAppIdList.at(0), "e", "p", "s");
    writeFile(path(), header(1) + old, 0600);
    Storage storage;
    QCOMPARE(contentOf(path()), header(2) + old + ownEntry("e", "p", "s"));
    storage.setUserEmail(QStringLiteral("new@x"));
    storage.setSerial(QStringLiteral("S2"));
    QVERIFY(storage.save());
    QCOMPARE(contentOf(path()), header(2) + old + ownEntry("new@x", "p", "S2"));
}

void tst_Storage::emailChangeReachesDiskWithNextSave()
{
    writeFile(path(), TwoEntries, 0600);
    Storage storage;
    storage.setUserEmail(QStringLiteral("n+1@x.org"));
    QCOMPARE(storage.userEmail(), QStringLiteral("n+1@x.org"));
    QCOMPARE(contentOf(path()), TwoEntries);
    QVERIFY(storage.save());
    QCOMPARE(contentOf(path()), header(2) + foreignEntry() + ownEntry("n+1@x.org", QString(), ""));
}

void tst_Storage::invalidateWritesNullStrings()
{
    writeFile(path(), header(1) + ownEntry("e", "p", "s"), 0600);
    {
        Storage storage;
        storage.invalidate();
        QCOMPARE(contentOf(path()), QByteArray::fromHex("27921fd4 00000001 00000001"
                                                        "0000000e 004d00410043002d004f005a004d"
                                                        "ffffffff ffffffff ffffffff"));
    }
    Storage again;
    QCOMPARE(fieldsOf(again), QStringList({"", "", ""}));
    QVERIFY(again.userEmail().isEmpty() && again.serial().isEmpty());
}

void tst_Storage::fileIsOwnersOnly()
{
    // With nothing masked, a file made with default rights would be open to all.
    const mode_t previous = umask(0);
    {
        Storage fresh;
        QCOMPARE(modeOf(path()), 0600);
    }
    writeFile(path(), TwoEntries, 0644);
    {
        Storage older;
        QCOMPARE(modeOf(path()), 0600);
        writeFile(path(), TwoEntries, 0666);
        older.setSerial(QStringLiteral("S"));
        QVERIFY(older.save());
        QCOMPARE(modeOf(path()), 0600);
    }
    QCOMPARE(modeOf(path()), 0600);
    umask(previous);
}

void tst_Storage::failedSaveLeavesFileWhole_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("logged");

    QTest::newRow("disk full") << "full" << "ERROR Storage file can't be written:";
    QTest::newRow("no data folder") << "no folder" << "Storage file missing/can't be opened for writing";
    QTest::newRow("a folder in the file's place") << "folder" << "Storage file missing/can't be opened for writing";
}

void tst_Storage::failedSaveLeavesFileWhole()
{
    QFETCH(QString, fault);
    QFETCH(QString, logged);
    const QString folder = data->filePath(QStringLiteral("small"));
    QVERIFY(QDir().mkpath(folder));
    const SmallDisk disk(folder, 16);
    QVERIFY(disk.isMounted());
    Folders::setAppDataFolder(folder);
    const QString file = folder + QLatin1Char('/') + Storage::FileName;
    if (fault == QLatin1String("no folder"))
        Folders::setAppDataFolder(folder + QStringLiteral("/gone"));
    else if (fault == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(file));
    else
        writeFile(file, TwoEntries, 0600);
    {
        Storage storage;
        if (fault == QLatin1String("full"))
            QVERIFY(disk.fill());
        const MessageCapture log;
        storage.setUserEmail(QStringLiteral("kept@x"));
        storage.setSerial(QStringLiteral("kept"));
        QVERIFY(!storage.save());
        QVERIFY2(!log.messages().filter(logged).isEmpty(), qPrintable(log.messages().join('\n')));
        // What could not be written stays in memory.
        QCOMPARE(storage.serial(), QStringLiteral("kept"));
    }
    if (fault == QLatin1String("full"))
        QCOMPARE(contentOf(file), TwoEntries);
    // Nothing half-written left behind.
    const QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    QVERIFY2(left.filter(Storage::FileName + QLatin1Char('.')).isEmpty(), qPrintable(left.join(' ')));
}

void tst_Storage::removeStorage()
{
    Storage storage;
    QVERIFY(QFile::exists(path()));
    {
        const MessageCapture log;
        storage.removeStorage();
        QCOMPARE(log.messages(QtDebugMsg),
                 QStringList{QStringLiteral("storage file '%1' was removed successfully").arg(path())});
    }
    QVERIFY(!QFile::exists(path()));
    const MessageCapture log;
    storage.removeStorage();
    const QStringList critical = log.messages(QtCriticalMsg);
    QCOMPARE(critical.size(), 1);
    QVERIFY2(critical[0].startsWith(QStringLiteral("ERROR storage file cannot be removed due error = ")),
             qPrintable(critical[0]));
}

OZM_NAMESPACE_TEST_MAIN(tst_Storage, PrivateNamespaces::Options())
#include "tst_Storage.moc"
