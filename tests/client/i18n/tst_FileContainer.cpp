#include "FileContainer.h"
#include "PackFixture.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace PackFixture;

namespace {

const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a");
const QByteArray catalogue = QByteArray::fromHex("514d0001");

QByteArray withU32(QByteArray bytes, int offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char(value >> (24 - 8 * i));
    return bytes;
}

} // namespace

class tst_FileContainer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void referencePackIsTheKnownOne();
    void readFile_data();
    void readFile();
    void find_data();
    void find();
    void openAndReopen();
    void damagedHeader_data();
    void damagedHeader();
    void damagedBlock_data();
    void damagedBlock();
    void nullBlockBeforeAnother();

private:

    QScopedPointer<QTemporaryDir> m_dir;
};

void tst_FileContainer::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_FileContainer::referencePackIsTheKnownOne()
{
    const QByteArray bytes = referencePack();
    QCOMPARE(bytes.size(), 218);
    QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
             QByteArray("a5c0cdec74dce05387404c0b99f94728898be0eb14fae392207ac16dd874083f"));
}

void tst_FileContainer::readFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("image") << "qs_menuscr_small.png" << "/images/ui" << png;
    QTest::newRow("catalogue") << "translation.qm" << "/" << catalogue;
    QTest::newRow("case of the name ignored") << "TRANSLATION.QM" << "/" << catalogue;
    QTest::newRow("case of the path ignored") << "qs_menuscr_small.png" << "/Images/UI" << png;
    QTest::newRow("empty path names nothing") << "translation.qm" << "" << QByteArray();
    QTest::newRow("a folder has no contents") << "ui" << "/images" << QByteArray();
    QTest::newRow("unknown file") << "translation.qm" << "/images" << QByteArray();
}

void tst_FileContainer::readFile()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(QByteArray, expected);

    FileContainer container(writePack(*m_dir, referencePack()));
    QVERIFY(container.isContainerOpened());
    if (expected.isNull())
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("error = INVALIDE_FILE_INDEX$"));
    const QByteArray contents = container.readFile(name, path);
    QCOMPARE(contents, expected);
    QCOMPARE(contents.isNull(), expected.isNull());
}

void tst_FileContainer::find_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("foundAt");

    QTest::newRow("file") << int(FatItem::File) << "translation.qm" << "/" << "/translation.qm";
    QTest::newRow("case matters") << int(FatItem::File) << "TRANSLATION.QM" << "/" << "";
    QTest::newRow("empty path matches any") << int(FatItem::File) << "qs_menuscr_small.png" << ""
                                            << "/images/ui/qs_menuscr_small.png";
    QTest::newRow("folder") << int(FatItem::Directory) << "ui" << "/images" << "/images/ui";
    QTest::newRow("folder, case of the path matters") << int(FatItem::Directory) << "ui" << "/IMAGES" << "";
    QTest::newRow("type matters") << int(FatItem::File) << "ui" << "" << "";
}

void tst_FileContainer::find()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(QString, foundAt);

    const FileContainer container(writePack(*m_dir, referencePack()));
    const FatItem item = container.find(FatItem::Type(type), name, path);
    QCOMPARE(item.isNull(), foundAt.isEmpty());
    if (!item.isNull())
        QCOMPARE(item.fullPath(), foundAt);
    const FatItem shorthand = type == FatItem::File ? container.findFile(name, path) : container.findDir(name, path);
    QCOMPARE(shorthand.fullPath(), item.fullPath());
}

void tst_FileContainer::openAndReopen()
{
    const QString path = writePack(*m_dir, referencePack());
    FileContainer container;
    QVERIFY(container.open(m_dir->path() + "/./sub/../pack.ldat"));
    QCOMPARE(container.containerPath(), path);
    QCOMPARE(container.items().size(), 4);

    container.closeContainer();
    QVERIFY(!container.isContainerOpened());
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(" is closed$"));
    QVERIFY(container.readFile(0).isNull());

    QVERIFY(container.open(QString()));
    QCOMPARE(container.readFile(1), catalogue);

    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("ReadOnly, file .*missing.ldat\" error="));
    QVERIFY(!container.open(m_dir->filePath("missing.ldat")));
    QVERIFY(container.items().isEmpty());

    FileContainer fresh;
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("ReadOnly, file "));
    QVERIFY(!fresh.open(QString()));
}

void tst_FileContainer::damagedHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("logged");

    const QByteArray good = referencePack();
    QTest::newRow("empty file") << QByteArray() << "bad file format";
    QTest::newRow("cut in the magic") << good.left(2) << "bad file format";
    QTest::newRow("cut in the version") << good.left(6) << "bad file format";
    QTest::newRow("bad magic") << withU32(good, 0, 0x27921FD5) << "bad file format";
    QTest::newRow("version 0") << withU32(good, 4, 0) << "file version is too old";
    QTest::newRow("version 2") << withU32(good, 4, 2) << "file version is too new";
    QTest::newRow("count 0") << withU32(good, 8, 0) << "";
    QTest::newRow("count 0xFFFFFFFF") << withU32(good, 8, 0xFFFFFFFF) << "";
    QTest::newRow("count past the entries") << withU32(good, 8, 5) << "";
    QTest::newRow("cut after the count") << good.left(12) << "";
    QTest::newRow("cut in an entry") << good.left(100) << "";
    QTest::newRow("name length 0x7FFFFFFE") << withU32(good, 12, 0x7FFFFFFE) << "";
    QTest::newRow("name length 0xFFFFFFFE") << withU32(good, 12, 0xFFFFFFFE) << "";
    QTest::newRow("odd name length") << withU32(good, 12, 11) << "";
}

// Each of these fails at once; the test runs with a cap on single allocations, so trusting a count or a length
// from the file would abort it.
void tst_FileContainer::damagedHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, logged);

    if (!logged.isEmpty())
        QTest::ignoreMessage(QtCriticalMsg, qPrintable("ERROR [file container] " + logged));
    FileContainer container;
    QVERIFY(!container.open(writePack(*m_dir, bytes)));
    QVERIFY(!container.isContainerOpened());
    QVERIFY(container.items().isEmpty());
}

void tst_FileContainer::damagedBlock_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<uint>("broken");
    QTest::addColumn<QByteArray>("other");

    // The reference pack's blocks: the image's at 0xc6, the catalogue's at 0xd2.
    const QByteArray good = referencePack();
    QTest::newRow("last block cut short") << good.chopped(2) << 1u << png;
    QTest::newRow("last block missing") << good.left(0xd2) << 1u << png;
    QTest::newRow("last block claims 2 GB") << withU32(good, 0xd2, 0x7FFFFFFE) << 1u << png;
    QTest::newRow("first block claims 4 GB") << withU32(good, 0xc6, 0xFFFFFFFE) << 1u << QByteArray();
    QTest::newRow("first block claims 2 GB") << withU32(good, 0xc6, 0x7FFFFFFE) << 1u << QByteArray();
}

// A failed read leaves the container as it was: the files that are whole still read.
void tst_FileContainer::damagedBlock()
{
    QFETCH(QByteArray, bytes);
    QFETCH(uint, broken);
    QFETCH(QByteArray, other);

    FileContainer container(writePack(*m_dir, bytes));
    QVERIFY(container.isContainerOpened());
    QVERIFY(container.readFile(broken).isNull());
    QCOMPARE(container.readFile(1 - broken), other);
    QCOMPARE(container.readFile(1 - broken).isNull(), other.isNull());
    QVERIFY(container.readFile(broken).isNull());
    QVERIFY(container.isContainerOpened());
}

void tst_FileContainer::nullBlockBeforeAnother()
{
    const QList<FatItem> items{{"a", FatItem::File, 0, "/"}, {"b", FatItem::File, 1, "/"}, {"c", FatItem::File, 2, "/"}};
    FileContainer container(writePack(*m_dir, packBytes(items, {"A", QByteArray(), "C"})));
    QCOMPARE(container.readFile("c", "/"), QByteArray("C"));
    // Present, though stored as "no block": an empty file, not a failure.
    const QByteArray empty = container.readFile("b", "/");
    QVERIFY(empty.isEmpty() && !empty.isNull());
    QCOMPARE(container.readFile("a", "/"), QByteArray("A"));
}

QTEST_GUILESS_MAIN(tst_FileContainer)
#include "tst_FileContainer.moc"
