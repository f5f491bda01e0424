#include "I18n.h"
#include "PackFixture.h"

#include <ClientConfig.h>
#include <Folders.h>

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

QByteArray germanCatalogue()
{
    return PackFixture::readFile(QStringLiteral(OZM_GERMAN_CATALOGUE));
}

QString activate()
{
    return QCoreApplication::translate("TrayIcon", "Activate");
}

QStringList rowsOf(const QList<LanguageEntry>& languages)
{
    QStringList rows;
    for (const LanguageEntry& entry : languages)
        rows << entry.displayName + QLatin1Char('|') + entry.code + QLatin1Char('|') + entry.englishName;
    return rows;
}

// Counts the language changes the application object receives, and lets a test
// act on each while it is delivered.
class LanguageChanges : public QObject
{
public:
    LanguageChanges() { QCoreApplication::instance()->installEventFilter(this); }
    ~LanguageChanges() override { QCoreApplication::instance()->removeEventFilter(this); }

    int count = 0;
    std::function<void()> onChange;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::LanguageChange) {
            ++count;
            if (onChange)
                onChange();
        }
        return false;
    }
};

} // namespace

class tst_I18n : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void languageList_data();
    void languageList();
    void switchLanguage_data();
    void switchLanguage();
    void sameCodeTwiceIsNoSwitch();
    void emptyCode();
    void automaticFollowsStartEnvironment();
    void systemLanguage_data();
    void systemLanguage();
    void missingTranslationShowsSource_data();
    void missingTranslationShowsSource();
    void catalogueOutlivesItsCopies();
    void announcementMayAskForTheLanguage();
    void packEntries_data();
    void packEntries();
    void dropTwice();

private:
    QString packPath(const QString& code) const { return I18n::getLangContainerPath(code); }

    QTemporaryDir m_app;
    QTemporaryDir m_data;
};

void tst_I18n::initTestCase()
{
    QVERIFY(m_app.isValid() && m_data.isValid());
    Folders::setAppFolder(m_app.path());
    Folders::setAppDataFolder(m_data.path());
    QVERIFY(!germanCatalogue().isEmpty());
}

void tst_I18n::init()
{
    QDir(I18n::getTranslationsDir()).removeRecursively();
    QVERIFY(QDir().mkpath(I18n::getTranslationsDir()));
    QDir(m_app.path()).remove(QStringLiteral("de.ldat"));
}

void tst_I18n::cleanup()
{
    I18n::drop();
    QLocale::setDefault(QLocale::c());
}

void tst_I18n::languageList_data()
{
    QTest::addColumn<QStringList>("packs");
    QTest::addColumn<QStringList>("skipped");
    QTest::addColumn<QStringList>("rows");

    const QStringList head{"Automatic|auto|Automatic", "U.S. English|en|English"};
    QTest::newRow("no packs") << QStringList() << QStringList() << head;
    // By English name: French before German, whatever the names in their own languages.
    QTest::newRow("fr, de and an unknown code")
        << QStringList{"fr.ldat", "de.ldat", "zz.ldat"} << QStringList{"zz.ldat"}
        << head + QStringList{QString::fromUtf8("français|fr|French"), "Deutsch|de|German"};
    QTest::newRow("a three-letter code") << QStringList{"fil.ldat"} << QStringList() << head + QStringList{"Filipino|fil|Filipino"};
    QTest::newRow("an en pack") << QStringList{"en.ldat"} << QStringList()
                                << head + QStringList{"American English|en|English"};
    QTest::newRow("names that are no pack") << QStringList{"de.txt", "deutsch.ldat", "d.ldat"} << QStringList() << head;
}

void tst_I18n::languageList()
{
    QFETCH(QStringList, packs);
    QFETCH(QStringList, skipped);
    QFETCH(QStringList, rows);

    for (const QString& pack : packs)
        QVERIFY(PackFixture::writeFile(I18n::getTranslationsDir() + pack, "a pack"));
    for (const QString& file : skipped)
        QTest::ignoreMessage(QtCriticalMsg, qPrintable("ERROR [I18n] file " + file + " skipped due to language index = C"));

    QCOMPARE(rowsOf(I18n::instance()->getLanguages()), rows);
}

void tst_I18n::switchLanguage_data()
{
    QTest::addColumn<QString>("code");
    // The pack's files by path; none at all for a missing pack.
    QTest::addColumn<QMap<QString, QByteArray>>("pack");
    QTest::addColumn<QStringList>("logs");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("activate");

    const QMap<QString, QByteArray> german{{"translation.qm", germanCatalogue()}};
    const QStringList probeFailed{"ERROR [I18n] locale de cannot be set due to container file reading fail",
                                  "ERROR [I18n] locale de cannot be set due to bad language container format, "
                                  "using en locale instead."};

    QTest::newRow("German catalogue") << "de" << german << QStringList() << "de" << "Aktivieren";
    QTest::newRow("pack without catalogue") << "de" << QMap<QString, QByteArray>{{"images/ui/a.png", "png"}}
                                            << probeFailed << "en" << "Activate";
    QTest::newRow("no pack") << "de" << QMap<QString, QByteArray>() << probeFailed << "en" << "Activate";
    QTest::newRow("junk catalogue")
        << "de" << QMap<QString, QByteArray>{{"translation.qm", "not a catalogue"}}
        << QStringList{"ERROR [I18n] locale de cannot be set due to file reading fail"} << "en" << "Activate";
    QTest::newRow("en") << "en" << QMap<QString, QByteArray>() << QStringList() << "en" << "Activate";
    // A pack beside the folder, reached only if the code were taken for a path.
    QTest::newRow("a path for a code")
        << "../de" << german
        << QStringList{"ERROR [I18n] locale ../de cannot be set due to container file reading fail",
                       "ERROR [I18n] locale ../de cannot be set due to bad language container format, using en "
                       "locale instead."}
        << "en" << "Activate";
}

void tst_I18n::switchLanguage()
{
    QFETCH(QString, code);
    QFETCH(QStringList, logs);
    QFETCH(QString, current);
    QFETCH(QString, activate);
    using Files = QMap<QString, QByteArray>;
    QFETCH(Files, pack);

    if (!pack.isEmpty())
        QVERIFY(PackFixture::packTree(packPath(code), pack));
    I18n* i18n = I18n::instance();
    QSignalSpy changed(i18n, &I18n::localeIsChanged);
    LanguageChanges changes;

    for (const QString& line : logs)
        QTest::ignoreMessage(QtCriticalMsg, qPrintable(line));
    i18n->setLanguage(code);

    QCOMPARE(i18n->getCurrentLocale(), current);
    QCOMPARE(::activate(), activate);
    QCOMPARE(QLocale().name(), QLocale(current).name());
    QCOMPARE(ClientConfig::instanceClient()->getLocale(), current);
    QCOMPARE(changed.count(), 1);
    QVERIFY(changes.count >= 1);
}

void tst_I18n::sameCodeTwiceIsNoSwitch()
{
    QVERIFY(PackFixture::packTree(packPath("de"), {{"translation.qm", germanCatalogue()}}));
    I18n* i18n = I18n::instance();
    i18n->setLanguage(QStringLiteral("de"));
    QSignalSpy changed(i18n, &I18n::localeIsChanged);
    LanguageChanges changes;

    i18n->setLanguage(QStringLiteral("de"));

    QCOMPARE(changed.count(), 0);
    QCOMPARE(changes.count, 0);
    QCOMPARE(activate(), QStringLiteral("Aktivieren"));
}

// Nothing before the first switch; "en" after one.
void tst_I18n::emptyCode()
{
    QVERIFY(PackFixture::packTree(packPath("de"), {{"translation.qm", germanCatalogue()}}));
    I18n* i18n = I18n::instance();
    QSignalSpy changed(i18n, &I18n::localeIsChanged);

    i18n->setLanguage(QString());
    QCOMPARE(changed.count(), 0);

    i18n->setLanguage(QStringLiteral("de"));
    i18n->setLanguage(QString());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(i18n->getCurrentLocale(), QStringLiteral("en"));
    QCOMPARE(activate(), QStringLiteral("Activate"));
}

// The test runs with LANG=de_DE.UTF-8 and LANGUAGE, LC_ALL and LC_MESSAGES empty.
void tst_I18n::automaticFollowsStartEnvironment()
{
    QVERIFY(qEnvironmentVariableIsSet("LANG"));
    QCOMPARE(qgetenv("LANG"), QByteArray());
    QVERIFY(PackFixture::packTree(packPath("de"), {{"translation.qm", germanCatalogue()}}));
    I18n* i18n = I18n::instance();
    i18n->setLanguage(QStringLiteral("de"));
    QSignalSpy changed(i18n, &I18n::localeIsChanged);

    i18n->setLanguage(QStringLiteral("auto"));

    QCOMPARE(changed.count(), 1);
    QCOMPARE(i18n->getCurrentLocale(), QStringLiteral("de"));
    QCOMPARE(activate(), QStringLiteral("Aktivieren"));
}

void tst_I18n::systemLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("lcAll");
    QTest::addColumn<QString>("lcMessages");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("expected");

    QTest::newRow("region and encoding") << "" << "" << "" << "de_DE.UTF-8" << "de";
    QTest::newRow("three letters") << "" << "" << "" << "fil_PH" << "fil";
    QTest::newRow("modifier") << "" << "" << "" << "sr@latin" << "sr";
    QTest::newRow("C") << "" << "" << "" << "C" << "en";
    QTest::newRow("C.UTF-8") << "" << "" << "" << "C.UTF-8" << "en";
    QTest::newRow("POSIX") << "" << "" << "" << "POSIX" << "en";
    QTest::newRow("nothing") << "" << "" << "" << "" << "en";
    QTest::newRow("no such language") << "" << "" << "" << "zz_ZZ" << "en";
    QTest::newRow("LANGUAGE first") << "fr:de" << "it_IT.UTF-8" << "es_ES" << "de_DE" << "fr";
    QTest::newRow("LANGUAGE's first entry empty") << ":fr" << "" << "" << "de_DE" << "fr";
    QTest::newRow("LC_ALL before LC_MESSAGES") << "" << "it_IT.UTF-8" << "es_ES" << "de_DE" << "it";
    QTest::newRow("LC_MESSAGES before LANG") << "" << "" << "es_ES" << "de_DE" << "es";
    QTest::newRow("LC_ALL=C wins") << "" << "C" << "es_ES" << "de_DE" << "en";
}

void tst_I18n::systemLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, lcAll);
    QFETCH(QString, lcMessages);
    QFETCH(QString, lang);
    QFETCH(QString, expected);

    QProcessEnvironment environment;
    environment.insert(QStringLiteral("LANGUAGE"), language);
    environment.insert(QStringLiteral("LC_ALL"), lcAll);
    environment.insert(QStringLiteral("LC_MESSAGES"), lcMessages);
    environment.insert(QStringLiteral("LANG"), lang);
    QCOMPARE(I18n::systemLanguage(environment), expected);
}

void tst_I18n::missingTranslationShowsSource_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");

    QTest::newRow("known context") << "TrayIcon" << "Not in the catalogue";
    QTest::newRow("unknown context") << "Nowhere" << "Activate";
    QTest::newRow("beyond ASCII") << "TrayIcon" << QString::fromUtf8("Größe → 1,5 €");
}

void tst_I18n::missingTranslationShowsSource()
{
    QFETCH(QString, context);
    QFETCH(QString, source);

    QVERIFY(PackFixture::packTree(packPath("de"), {{"translation.qm", germanCatalogue()}}));
    I18n::instance()->setLanguage(QStringLiteral("de"));
    QCOMPARE(I18n::instance()->getCurrentLocale(), QStringLiteral("de"));

    QCOMPARE(QCoreApplication::translate(context.toUtf8().constData(), source.toUtf8().constData()), source);
}

// The installed translator reads its catalogue in place: taking copies of the
// catalogues, and switching to and fro, must leave it bytes to read.
void tst_I18n::catalogueOutlivesItsCopies()
{
    QVERIFY(PackFixture::packTree(packPath("de"), {{"translation.qm", germanCatalogue()}}));
    QVERIFY(PackFixture::packTree(packPath("fr"), {{"translation.qm", germanCatalogue()}}));
    I18n* i18n = I18n::instance();
    i18n->setLanguage(QStringLiteral("de"));

    QCOMPARE(i18n->getQmData(), germanCatalogue());
    QCOMPARE(i18n->getQmDataFromTempContainer(), germanCatalogue());
    QCOMPARE(activate(), QStringLiteral("Aktivieren"));

    i18n->setLanguage(QStringLiteral("fr"));
    i18n->getQmData();
    QCOMPARE(activate(), QStringLiteral("Aktivieren"));
    i18n->setLanguage(QStringLiteral("de"));
    QCOMPARE(activate(), QStringLiteral("Aktivieren"));
    QCOMPARE(i18n->getCurrentLocale(), QStringLiteral("de"));
}

// Receivers on the switching thread may ask for the language while the switch
// announces itself.
void tst_I18n::announcementMayAskForTheLanguage()
{
    QVERIFY(PackFixture::packTree(packPath("de"), {{"translation.qm", germanCatalogue()}}));
    I18n* i18n = I18n::instance();
    QStringList seen;
    connect(i18n, &I18n::localeIsChanged, this, [&] { seen << "signal " + i18n->getCurrentLocale(); },
            Qt::DirectConnection);
    LanguageChanges changes;
    changes.onChange = [&] {
        i18n->getLanguages();
        seen << "event " + i18n->getCurrentLocale();
    };

    i18n->setLanguage(QStringLiteral("de"));

    QVERIFY(!seen.isEmpty());
    QCOMPARE(seen.constLast(), QStringLiteral("signal de"));
    QCOMPARE(seen.at(seen.size() - 2), QStringLiteral("event de"));
}

void tst_I18n::packEntries_data()
{
    QTest::addColumn<bool>("directory");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");

    QTest::newRow("file at the root") << false << "/" << "translation.qm" << true;
    QTest::newRow("file below") << false << "/images/ui" << "logo.png" << true;
    QTest::newRow("missing file") << false << "/images/ui" << "other.png" << false;
    QTest::newRow("a folder is no file") << false << "/images" << "ui" << false;
    QTest::newRow("folder") << true << "/images" << "ui" << true;
    QTest::newRow("missing folder") << true << "/" << "sounds" << false;
}

void tst_I18n::packEntries()
{
    QFETCH(bool, directory);
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(bool, exists);

    QVERIFY(PackFixture::packTree(packPath("de"),
                                  {{"translation.qm", germanCatalogue()}, {"images/ui/logo.png", "a logo"}}));
    I18n* i18n = I18n::instance();
    i18n->setLanguage(QStringLiteral("de"));

    QCOMPARE(directory ? i18n->isDirectoryExist(path, name) : i18n->isFileExist(path, name), exists);
    if (!directory)
        QCOMPARE(i18n->readFile(path, name).isNull(), !exists);
}

void tst_I18n::dropTwice()
{
    I18n* first = I18n::instance();
    QCOMPARE(first->parent(), QCoreApplication::instance());
    I18n::drop();
    I18n::drop();
    QVERIFY(I18n::instance());
}

QTEST_GUILESS_MAIN(tst_I18n)
#include "tst_I18n.moc"
