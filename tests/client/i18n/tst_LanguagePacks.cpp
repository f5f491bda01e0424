#include "FileContainer.h"

#include <QDir>
#include <QTest>
#include <QTranslator>

namespace {

// The translator reads its catalogue in place, so the two live together.
struct PackCatalogue
{
    explicit PackCatalogue(const QString& pack)
        : bytes(FileContainer(pack).readFile(QStringLiteral("translation.qm"), QStringLiteral("/")))
    {
    }
    bool load() { return translator.load(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size()); }

    QByteArray bytes;
    QTranslator translator;
};

} // namespace

// The packs the build ships in the application folder.
class tst_LanguagePacks : public QObject
{
    Q_OBJECT

private slots:
    void everyPackHoldsItsCatalogue();
    void german_data();
    void german();
};

void tst_LanguagePacks::everyPackHoldsItsCatalogue()
{
    const QDir folder(QStringLiteral(OZM_TRANSLATIONS_DIR));
    const QStringList packs = folder.entryList({QStringLiteral("*.ldat")}, QDir::Files);
    QVERIFY(packs.contains(QStringLiteral("de.ldat")));
    for (const QString& pack : packs) {
        PackCatalogue catalogue(folder.filePath(pack));
        QVERIFY2(catalogue.load() && !catalogue.translator.isEmpty(), qPrintable(pack));
    }
}

void tst_LanguagePacks::german_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation");

    QTest::newRow("activate") << "TrayIcon" << "Activate" << "Aktivieren";
    QTest::newRow("stop activating") << "TrayIcon" << "Stop activating" << "Aktivierung abbrechen";
    QTest::newRow("menu") << "QOZMHamburgerMenu" << "MENU" << QString::fromUtf8("MENÜ");
    QTest::newRow("about") << "QOZMHamburgerMenu" << "About" << QString::fromUtf8("Über");
}

void tst_LanguagePacks::german()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, translation);

    PackCatalogue catalogue(QStringLiteral(OZM_TRANSLATIONS_DIR "/de.ldat"));
    QVERIFY(catalogue.load());
    QCOMPARE(catalogue.translator.translate(qPrintable(context), qPrintable(source)), translation);
}

QTEST_GUILESS_MAIN(tst_LanguagePacks)
#include "tst_LanguagePacks.moc"
