#include "PackFixture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace PackFixture;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
};

Run langpack(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(OZM_LANGPACK), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput()};
}

const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a");
const QByteArray catalogue = QByteArray::fromHex("514d0001");

} // namespace

class tst_LangpackTool : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cat_data();
    void cat();
    void packAndUnpack();

private:
    QScopedPointer<QTemporaryDir> m_dir;
};

void tst_LangpackTool::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_LangpackTool::cat_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");

    QTest::newRow("in the order given") << QStringList{"/images/ui/qs_menuscr_small.png", "/translation.qm"} << 0
                                        << png + catalogue;
    QTest::newRow("case ignored") << QStringList{"/TRANSLATION.QM"} << 0 << catalogue;
    QTest::newRow("one missing, the others still printed") << QStringList{"/nope", "/translation.qm"} << 1 << catalogue;
    QTest::newRow("a folder is no file") << QStringList{"/images"} << 1 << QByteArray();
    QTest::newRow("no entry") << QStringList() << 1 << QByteArray();
}

void tst_LangpackTool::cat()
{
    QFETCH(QStringList, entries);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);

    const QString pack = m_dir->filePath("pack.ldat");
    QVERIFY(writeFile(pack, referencePack()));
    const Run run = langpack(QStringList{"cat", pack} + entries);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, out);
}

void tst_LangpackTool::packAndUnpack()
{
    const QString pack = m_dir->filePath("pack.ldat");
    QVERIFY(makeTree(m_dir->filePath("src"), referenceTree()));
    QCOMPARE(langpack({"pack", m_dir->filePath("src"), pack}).exitCode, 0);
    QCOMPARE(readFile(pack), referencePack());

    QCOMPARE(langpack({"unpack", pack, m_dir->filePath("dest")}).exitCode, 0);
    QCOMPARE(treeOf(m_dir->filePath("dest")), treeOf(m_dir->filePath("src")));

    QCOMPARE(langpack({"unpack", m_dir->filePath("missing.ldat"), m_dir->filePath("dest")}).exitCode, 1);
    QCOMPARE(langpack({"pack", m_dir->filePath("missing"), pack}).exitCode, 1);
    QCOMPARE(langpack({"pack", m_dir->filePath("src")}).exitCode, 1);
}

QTEST_GUILESS_MAIN(tst_LangpackTool)
#include "tst_LangpackTool.moc"
