#include "ApiTestKit.h"

#include <ClientConfig.h>
#include <FakeLoginItems.h>
#include <Folders.h>
#include <SystemFunctions.h>

#include <QtTest>

#include <functional>
#include <memory>

class tst_ClientConfig : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void valuesReachTheFile();
    void storedValuesAreRead_data();
    void storedValuesAreRead();
    void activateOptionIsWrittenOnlyWhenItChanges();
    void currentServerAndClusterStartAsDefaults();
    void plainConfigKeepsValuesInMemory();
    void loginItemIsChangedOnlyWhenItDiffers_data();
    void loginItemIsChangedOnlyWhenItDiffers();
    void singletonKinds();

private:
    QString iniPath() const { return dir->filePath("Ozmira.ini"); }
    QByteArray iniContent() const;
    ClientConfig* openConfig(const QByteArray& ini = QByteArray());

    std::unique_ptr<QTemporaryDir> dir;
    FakeLoginItems loginItems;
};

void tst_ClientConfig::init()
{
    dir = std::make_unique<QTemporaryDir>();
    Folders::setAppDataFolder(dir->path());
    loginItems = FakeLoginItems();
    setLoginItems(&loginItems);
}

void tst_ClientConfig::cleanup()
{
    Config::drop();
    setLoginItems(nullptr);
}

QByteArray tst_ClientConfig::iniContent() const
{
    QFile file(iniPath());
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

ClientConfig* tst_ClientConfig::openConfig(const QByteArray& ini)
{
    if (!ini.isNull())
        writeFile(iniPath(), ini);
    return ClientConfig::instanceClient();
}

void tst_ClientConfig::valuesReachTheFile()
{
    ClientConfig* config = openConfig();
    config->setLoadOnStartup(true);
    config->setPrvcTipShownOnStartup(false);
    config->setActivateOption(Config::ActivateNever);
    config->setLocale("de");
    config->setDefaultServer("de1.example.net");
    config->setDefaultCluster("Germany");
    config->clearFirstRun();
    config->setLastHiddenVersion(42);
    config->setTotalBytesServed(5000000000ULL);
    config->setVersion("2.1.0");
    Config::drop();

    QCOMPARE(iniContent(), QByteArray("[General]\n"
                                      "ActivateOnInternet=2\n"
                                      "DefaultCluster=Germany\n"
                                      "DefaultServer=de1.example.net\n"
                                      "IsFirstRun=false\n"
                                      "IsPrivacyTipShownOnStartup=false\n"
                                      "LastHiddenVersion=42\n"
                                      "LoadOnStartup=true\n"
                                      "Locale=de\n"
                                      "TotalBytes=5000000000\n"
                                      "Version=2.1.0\n"));
}

void tst_ClientConfig::storedValuesAreRead_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("getter");
    QTest::addColumn<QVariant>("expected");

    const QByteArray empty = "";
    QTest::newRow("option absent") << empty << "activate" << QVariant(0);
    QTest::newRow("option 1") << QByteArray("[General]\nActivateOnInternet=1\n") << "activate" << QVariant(1);
    QTest::newRow("option 2") << QByteArray("[General]\nActivateOnInternet=2\n") << "activate" << QVariant(2);
    QTest::newRow("option 7") << QByteArray("[General]\nActivateOnInternet=7\n") << "activate" << QVariant(0);
    QTest::newRow("option -1") << QByteArray("[General]\nActivateOnInternet=-1\n") << "activate" << QVariant(0);
    QTest::newRow("option not a number") << QByteArray("[General]\nActivateOnInternet=yes\n") << "activate"
                                         << QVariant(0);
    QTest::newRow("load on startup absent") << empty << "hasLoadOnStartup" << QVariant(false);
    QTest::newRow("load on startup false") << QByteArray("[General]\nLoadOnStartup=false\n") << "hasLoadOnStartup"
                                           << QVariant(true);
    QTest::newRow("privacy tip absent") << empty << "privacyTip" << QVariant(true);
    QTest::newRow("locale absent") << empty << "locale" << QVariant("");
    QTest::newRow("default server absent") << empty << "defaultServer" << QVariant("");
    QTest::newRow("default cluster") << QByteArray("[General]\nDefaultCluster=Sweden\n") << "defaultCluster"
                                     << QVariant("Sweden");
    QTest::newRow("first run absent") << empty << "firstRun" << QVariant(true);
    QTest::newRow("first run false") << QByteArray("[General]\nIsFirstRun=false\n") << "firstRun" << QVariant(false);
    QTest::newRow("hidden version absent") << empty << "lastHiddenVersion" << QVariant(-1);
    QTest::newRow("total bytes absent") << empty << "totalBytes" << QVariant(0ULL);
    QTest::newRow("total bytes") << QByteArray("[General]\nTotalBytes=18446744073709551615\n") << "totalBytes"
                                 << QVariant(18446744073709551615ULL);
    QTest::newRow("version absent") << empty << "version" << QVariant("0");
}

void tst_ClientConfig::storedValuesAreRead()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, getter);
    QFETCH(QVariant, expected);
    const ClientConfig* config = openConfig(ini);
    const QMap<QString, std::function<QVariant()>> getters = {
        {"activate", [config] { return QVariant(int(config->getActivateOption())); }},
        {"hasLoadOnStartup", [config] { return QVariant(config->hasLoadOnStartup()); }},
        {"privacyTip", [config] { return QVariant(config->isPrvcTipShownOnStartup()); }},
        {"locale", [config] { return QVariant(config->getLocale()); }},
        {"defaultServer", [config] { return QVariant(config->getDefaultServer()); }},
        {"defaultCluster", [config] { return QVariant(config->getDefaultCluster()); }},
        {"firstRun", [config] { return QVariant(config->isFirstRun()); }},
        {"lastHiddenVersion", [config] { return QVariant(config->getLastHiddenVersion()); }},
        {"totalBytes", [config] { return QVariant(config->getTotalBytesServed()); }},
        {"version", [config] { return QVariant(config->getVersion()); }},
    };
    QCOMPARE(getters.value(getter)(), expected);
}

void tst_ClientConfig::activateOptionIsWrittenOnlyWhenItChanges()
{
    ClientConfig* config = openConfig("[General]\nActivateOnInternet=1\n");
    config->setActivateOption(Config::ActivateOnAnyConnection);
    config->setLocale("en");
    Config::drop();
    QCOMPARE(iniContent(), QByteArray("[General]\nActivateOnInternet=1\nLocale=en\n"));

    config = openConfig();
    config->setActivateOption(Config::ActivateOption(5));
    QCOMPARE(config->getActivateOption(), Config::ActivateOnUnsecuredWireless);
    Config::drop();
    QCOMPARE(iniContent(), QByteArray("[General]\nActivateOnInternet=0\nLocale=en\n"));
}

void tst_ClientConfig::currentServerAndClusterStartAsDefaults()
{
    Config* config = openConfig("[General]\nDefaultServer=se2.example.net\nDefaultCluster=Sweden\n");
    QCOMPARE(config->getCurrentServer(), QString("se2.example.net"));
    QCOMPARE(config->getCurrentCluster(), QString("Sweden"));

    config->setCurrentServer("se3.example.net");
    config->setCurrentServer(QString());
    QCOMPARE(config->getCurrentServer(), QString("se2.example.net"));
    config->setCurrentServer("");
    QCOMPARE(config->getCurrentServer(), QString(""));
    config->setCurrentCluster(QString());
    QCOMPARE(config->getCurrentCluster(), QString("Sweden"));
    config->setCurrentCluster("");
    QCOMPARE(config->getCurrentCluster(), QString(""));
    Config::drop();
    QVERIFY(!iniContent().contains("se3"));
}

void tst_ClientConfig::plainConfigKeepsValuesInMemory()
{
    Config* config = Config::instance();
    config->setActivateOption(Config::ActivateOption(-1));
    QCOMPARE(config->getActivateOption(), Config::ActivateOnUnsecuredWireless);
    config->setActivateOption(Config::ActivateNever);
    QCOMPARE(config->getActivateOption(), Config::ActivateNever);
    config->setTotalBytesServed(77);
    QCOMPARE(config->getTotalBytesServed(), quint64(77));
    QVERIFY(!config->isFirstRun());
    config->setCurrentServer("x");
    config->setCurrentServer(QString());
    QCOMPARE(config->getCurrentServer(), QString(""));
    QVERIFY(!QFile::exists(iniPath()));
}

void tst_ClientConfig::loginItemIsChangedOnlyWhenItDiffers_data()
{
    QTest::addColumn<bool>("loginItem");
    QTest::addColumn<bool>("wanted");
    QTest::addColumn<int>("changes");
    QTest::addColumn<QByteArray>("ini");

    // Already there on a first start: the key stays absent, so the next start tries again.
    QTest::newRow("already on") << true << true << 0 << QByteArray();
    QTest::newRow("turned on") << false << true << 1 << QByteArray("[General]\nLoadOnStartup=true\n");
    QTest::newRow("turned off") << true << false << 1 << QByteArray("[General]\nLoadOnStartup=false\n");
    QTest::newRow("already off") << false << false << 0 << QByteArray();
}

void tst_ClientConfig::loginItemIsChangedOnlyWhenItDiffers()
{
    QFETCH(bool, loginItem);
    QFETCH(bool, wanted);
    QFETCH(int, changes);
    QFETCH(QByteArray, ini);
    loginItems.on = loginItem;
    ClientConfig* config = openConfig();

    config->setLoadOnStartup(wanted);
    QCOMPARE(config->isLoadOnStartup(), wanted);
    QCOMPARE(loginItems.changes, changes);
    Config::drop();
    QCOMPARE(iniContent(), ini);
}

void tst_ClientConfig::singletonKinds()
{
    QVERIFY(Config::instance());
    QCOMPARE(ClientConfig::instanceClient(), nullptr);
    Config::drop();

    ClientConfig* client = ClientConfig::instanceClient();
    QVERIFY(client);
    QCOMPARE(Config::instance(), client);
    QCOMPARE(ClientConfig::instanceClient(), client);
}

QTEST_GUILESS_MAIN(tst_ClientConfig)
#include "tst_ClientConfig.moc"
