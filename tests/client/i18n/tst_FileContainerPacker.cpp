#include "FileContainer.h"
#include "FileContainerPacker.h"
#include "PackFixture.h"

#include <PrivateNamespaces.h>
#include <SmallDisk.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace PackFixture;

Q_DECLARE_METATYPE(FatItem)

namespace {

using Tree = QMap<QString, QByteArray>;

const QByteArray png = referenceTree().value(QStringLiteral("images/ui/qs_menuscr_small.png"));

Tree unpackedReference()
{
    Tree tree = referenceTree();
    tree.insert(QStringLiteral("images/"), QByteArray());
    tree.insert(QStringLiteral("images/ui/"), QByteArray());
    return tree;
}

// What a pack's directory says, one entry a line: folders end in "/", files carry "#" and their index.
QStringList directoryOf(const QString& pack)
{
    const FileContainer container(pack);
    QStringList entries;
    for (const FatItem& item : container.items()) {
        entries << (item.type == FatItem::Directory ? item.fullPath() + "/"
                                                     : item.fullPath() + "#" + QString::number(item.index));
    }
    return entries;
}

// A tree with a folder nested depth levels deep and one file in it.
QList<FatItem> nestedFolders(int depth)
{
    QList<FatItem> items;
    QString path = QStringLiteral("/");
    for (int level = 1; level <= depth; ++level) {
        const FatItem folder(QStringLiteral("d%1").arg(level), FatItem::Directory, FatItem::INVALIDE_FILE_INDEX, path);
        items << folder;
        path = folder.fullPath();
    }
    return items << FatItem(QStringLiteral("deepest"), FatItem::File, 0, path);
}

} // namespace

class tst_FileContainerPacker : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void pack_data();
    void pack();
    void exclusions_data();
    void exclusions();
    void packBesideItsOwnOutput();
    void emptySource();
    void failedPackKeepsOldFile_data();
    void failedPackKeepsOldFile();
    void roundTrip();
    void hostileEntries_data();
    void hostileEntries();
    void nesting_data();
    void nesting();
    void failedEntries_data();
    void failedEntries();
    void symbolicLinks_data();
    void symbolicLinks();
    void exportFile_data();
    void exportFile();
    void exportDir_data();
    void exportDir();

private:
    QString path(const QString& relative) const { return m_dir->filePath(relative); }

    QScopedPointer<QTemporaryDir> m_dir;
};

void tst_FileContainerPacker::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_FileContainerPacker::pack_data()
{
    QTest::addColumn<Tree>("tree");
    QTest::addColumn<QByteArray>("pack");

    QTest::newRow("reference tree") << referenceTree() << referencePack();
    QTest::newRow("empty file") << Tree{{"e", ""}} << packBytes({{"e", FatItem::File, 0, "/"}}, {QByteArray("")});
}

void tst_FileContainerPacker::pack()
{
    QFETCH(Tree, tree);
    QFETCH(QByteArray, pack);

    QVERIFY(makeTree(path("src"), tree));
    QVERIFY(FileContainerPacker::packDirectoryToContainer(path("src"), path("out.ldat"), {}));
    QCOMPARE(readFile(path("out.ldat")), pack);
}

void tst_FileContainerPacker::exclusions_data()
{
    QTest::addColumn<QList<FatItem>>("exclusions");
    QTest::addColumn<QStringList>("directory");

    const QStringList all{"/images/", "/images/ui/", "/images/ui/qs_menuscr_small.png#0", "/translation.qm#1"};
    QTest::newRow("none") << QList<FatItem>() << all;
    QTest::newRow("suffix, wherever its entry says") << QList<FatItem>{{"png", FatItem::Suffix, 7, "/elsewhere"}}
                                                     << QStringList{"/images/", "/images/ui/", "/translation.qm#0"};
    QTest::newRow("folder with all below it") << QList<FatItem>{{"ui", FatItem::Directory, 0, ""}}
                                              << QStringList{"/images/", "/translation.qm#0"};
    QTest::newRow("type must match") << QList<FatItem>{{"png", FatItem::Directory, 0, ""}, {"ui", FatItem::Suffix, 0, ""}}
                                     << all;
}

// Hidden entries and symbolic links stay out of every pack.
void tst_FileContainerPacker::exclusions()
{
    QFETCH(QList<FatItem>, exclusions);
    QFETCH(QStringList, directory);

    Tree tree = referenceTree();
    tree.insert(".hidden", "h");
    tree.insert("images/.cache/x.png", "x");
    QVERIFY(makeTree(path("src"), tree));
    QVERIFY(QFile::link(path("src/translation.qm"), path("src/linked.qm")));
    QVERIFY(QFile::link(path("src/images"), path("src/linked")));

    QVERIFY(FileContainerPacker::packDirectoryToContainer(path("src"), path("out.ldat"), exclusions));
    QCOMPARE(directoryOf(path("out.ldat")), directory);
}

void tst_FileContainerPacker::packBesideItsOwnOutput()
{
    QVERIFY(makeTree(path("src"), referenceTree()));
    QVERIFY(writeFile(path("src/zz.ldat"), "an older pack"));
    QVERIFY(FileContainerPacker::packDirectoryToContainer(path("src"), path("src/zz.ldat"), {}));
    QVERIFY(FileContainerPacker::packDirectoryToContainer(path("src"), path("src/zz.ldat"), {}));
    QCOMPARE(readFile(path("src/zz.ldat")), referencePack());
}

void tst_FileContainerPacker::emptySource()
{
    QVERIFY(QDir().mkpath(path("src")));
    QVERIFY(FileContainerPacker::packDirectoryToContainer(path("src"), path("out.ldat"), {}));
    QCOMPARE(readFile(path("out.ldat")), QByteArray::fromHex("27921fd40000000100000000"));
    FileContainer container;
    QVERIFY(!container.open(path("out.ldat")));

    QTest::ignoreMessage(QtCriticalMsg, "ERROR [file container] source dir is not existed");
    QVERIFY(!FileContainerPacker::packDirectoryToContainer(path("missing"), path("out.ldat"), {}));
}

void tst_FileContainerPacker::failedPackKeepsOldFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("logged");

    QTest::newRow("unreadable source file") << "unreadable" << "packing, file .*unreadable.qm\" error=";
    QTest::newRow("disk full") << "full" << "packing, file .*out.ldat\" error=";
}

void tst_FileContainerPacker::failedPackKeepsOldFile()
{
    QFETCH(QString, fault);
    QFETCH(QString, logged);
    Tree tree = referenceTree();
    tree.insert("unreadable.qm", "secret");
    QVERIFY(makeTree(path("src"), tree));
    QVERIFY(QDir().mkpath(path("out")));
    const SmallDisk disk(path("out"), 64);
    QVERIFY(disk.isMounted());
    QVERIFY(writeFile(path("out/out.ldat"), "the previous pack"));
    QStringList left{"out.ldat"};
    if (fault == "full") {
        QVERIFY(disk.fill());
        left.prepend("filler");
    } else {
        QVERIFY(QFile::setPermissions(path("src/unreadable.qm"), {}));
    }

    const PermissionsEnforced enforced;
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(logged));
    QVERIFY(!FileContainerPacker::packDirectoryToContainer(path("src"), path("out/out.ldat"), {}));
    QCOMPARE(readFile(path("out/out.ldat")), QByteArray("the previous pack"));
    QCOMPARE(QDir(path("out")).entryList(QDir::Files), left);
}

// Unpacking reproduces files, empty files and empty folders, and replaces what the destination held.
void tst_FileContainerPacker::roundTrip()
{
    Tree tree = referenceTree();
    tree.insert("empty.txt", "");
    tree.insert("images/ui/a.png", "ab");
    QVERIFY(makeTree(path("src"), tree));
    QVERIFY(QDir().mkpath(path("src/images/empty")));
    QVERIFY(makeTree(path("dest"), {{"stale/old.txt", "old"}}));

    QVERIFY(FileContainerPacker::packDirectoryToContainer(path("src"), path("out.ldat"), {}));
    QVERIFY(FileContainerPacker::unpackContainerToDirectory(path("dest"), path("out.ldat")));
    QCOMPARE(treeOf(path("dest")), treeOf(path("src")));
}

void tst_FileContainerPacker::hostileEntries_data()
{
    QTest::addColumn<FatItem>("entry");

    const quint32 none = FatItem::INVALIDE_FILE_INDEX;
    QTest::newRow("folder ..") << FatItem("..", FatItem::Directory, none, "/");
    QTest::newRow("folder .") << FatItem(".", FatItem::Directory, none, "/");
    QTest::newRow("folder without a name") << FatItem("", FatItem::Directory, none, "/");
    QTest::newRow("file without a name") << FatItem("", FatItem::File, 1, "/");
    QTest::newRow("slash in a name") << FatItem("../sentinel", FatItem::File, 1, "/");
    QTest::newRow("backslash in a name") << FatItem("a\\b", FatItem::File, 1, "/");
    QTest::newRow("NUL in a name") << FatItem(QString::fromLatin1("a\0b", 3), FatItem::File, 1, "/");
    QTest::newRow(".. in the path") << FatItem("sentinel", FatItem::File, 1, "/..");
    QTest::newRow("path without its root") << FatItem("x", FatItem::File, 1, "images");
    QTest::newRow("empty step in the path") << FatItem("x", FatItem::File, 1, "//");
}

// A pack that could reach outside its destination is refused before anything is touched.
void tst_FileContainerPacker::hostileEntries()
{
    QFETCH(FatItem, entry);

    const QList<FatItem> items{{"ok", FatItem::File, 0, "/"}, entry};
    const QString pack = writePack(*m_dir, packBytes(items, {"ok", "hostile"}));
    QVERIFY(writeFile(path("base/sentinel"), "sentinel"));
    QVERIFY(writeFile(path("base/dest/keep"), "keep"));
    const Tree before = treeOf(path("base"));

    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("unpacking, refused entry"));
    QVERIFY(!FileContainerPacker::unpackContainerToDirectory(path("base/dest"), pack));
    QCOMPARE(treeOf(path("base")), before);
}

void tst_FileContainerPacker::nesting_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("written");

    QTest::newRow("16 folders deep") << 16 << true;
    QTest::newRow("17 folders deep") << 17 << false;
}

void tst_FileContainerPacker::nesting()
{
    QFETCH(int, depth);
    QFETCH(bool, written);

    const QString pack = writePack(*m_dir, packBytes(nestedFolders(depth), {"deep"}));
    QVERIFY(writeFile(path("dest/keep"), "keep"));
    if (!written)
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("unpacking, nested too deep"));
    QCOMPARE(FileContainerPacker::unpackContainerToDirectory(path("dest"), pack), written);

    QString deepest = path("dest");
    for (int level = 1; level <= depth; ++level)
        deepest += QStringLiteral("/d%1").arg(level);
    QCOMPARE(readFile(deepest + "/deepest"), written ? QByteArray("deep") : QByteArray());
    QCOMPARE(QFile::exists(path("dest/keep")), !written);
}

void tst_FileContainerPacker::failedEntries_data()
{
    QTest::addColumn<QByteArray>("pack");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<Tree>("written");

    const quint32 none = FatItem::INVALIDE_FILE_INDEX;
    const QList<FatItem> twoFiles{{"a", FatItem::File, 0, "/"}, {"b", FatItem::File, 1, "/"}};
    QTest::newRow("block missing") << packBytes(twoFiles, {"A"}) << "dest" << Tree{{"a", "A"}};
    QTest::newRow("file in the way of a folder")
        << packBytes({{"a", FatItem::Directory, none, "/"}, {"a", FatItem::File, 0, "/"}, {"b", FatItem::File, 1, "/"}},
                     {"A", "B"})
        << "dest" << Tree{{"a/", ""}, {"b", "B"}};
    QTest::newRow("destination below a file")
        << packBytes({{"empty", FatItem::Directory, none, "/"}}, {}) << "plain/dest" << Tree();
}

// Entries that can be written are, but the whole reports the failure.
void tst_FileContainerPacker::failedEntries()
{
    QFETCH(QByteArray, pack);
    QFETCH(QString, destination);
    QFETCH(Tree, written);

    QVERIFY(writeFile(path("plain"), "a file"));
    QVERIFY(!FileContainerPacker::unpackContainerToDirectory(path(destination), writePack(*m_dir, pack)));
    QCOMPARE(treeOf(path(destination)), written);
}

void tst_FileContainerPacker::symbolicLinks_data()
{
    QTest::addColumn<QString>("link");

    QTest::newRow("link to a folder inside the destination") << "dest/linked";
    QTest::newRow("destination is a link") << "dest";
}

// Emptying a destination removes links, never what they point at.
void tst_FileContainerPacker::symbolicLinks()
{
    QFETCH(QString, link);

    QVERIFY(writeFile(path("outside/keep"), "keep"));
    QVERIFY(QDir().mkpath(QFileInfo(path(link)).path()));
    QVERIFY(QFile::link(path("outside"), path(link)));
    QVERIFY(QFile::link(path("outside/keep"), path("outside/to-keep")));

    QVERIFY(FileContainerPacker::unpackContainerToDirectory(path("dest"), writePack(*m_dir, referencePack())));
    QCOMPARE(treeOf(path("dest")), unpackedReference());
    QCOMPARE(readFile(path("outside/keep")), QByteArray("keep"));
    QCOMPARE(readFile(path("outside/to-keep")), QByteArray("keep"));
}

void tst_FileContainerPacker::exportFile_data()
{
    QTest::addColumn<QByteArray>("block");

    QTest::newRow("contents") << QByteArray("contents");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("stored as no block") << QByteArray();
}

// A present block is a file, even an empty one; a block cut short is not.
void tst_FileContainerPacker::exportFile()
{
    QFETCH(QByteArray, block);

    const QByteArray whole = packBytes({{"f", FatItem::File, 0, "/"}}, {block});
    FileContainer container(writePack(*m_dir, whole));
    QVERIFY(container.exportFile(path("f"), "f", "/"));
    QCOMPARE(readFile(path("f")), block);
    QVERIFY(QFile::exists(path("f")));

    QVERIFY(container.open(writePack(*m_dir, whole.chopped(1))));
    QTest::ignoreMessage(QtCriticalMsg, "ERROR [file container] error during reading of 0");
    QVERIFY(!container.exportFile(path("cut"), "f", "/"));
    QVERIFY(!QFile::exists(path("cut")));
}

void tst_FileContainerPacker::exportDir_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<Tree>("exported");

    QTest::newRow("folder at the root") << "images" << "/" << Tree{{"ui/", ""}, {"ui/qs_menuscr_small.png", png}};
    QTest::newRow("folder below") << "ui" << "/images" << Tree{{"qs_menuscr_small.png", png}};
}

// Only the named folder is exported, into the target itself.
void tst_FileContainerPacker::exportDir()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(Tree, exported);

    QVERIFY(writeFile(path("target/stale"), "stale"));
    FileContainer container(writePack(*m_dir, referencePack()));
    QVERIFY(container.exportDir(path("target"), name, parent));
    QCOMPARE(treeOf(path("target")), exported);

    QTest::ignoreMessage(QtCriticalMsg, "ERROR [file container] dir not found \"nope\"");
    QVERIFY(!container.exportDir(path("target"), "nope", parent));
    QCOMPARE(treeOf(path("target")), exported);
}

OZM_NAMESPACE_TEST_MAIN(tst_FileContainerPacker, PrivateNamespaces::Options())
#include "tst_FileContainerPacker.moc"
