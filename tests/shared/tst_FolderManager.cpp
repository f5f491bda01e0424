#include "FolderManager.h"

#include <QtTest>

class tst_FolderManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void userDataFolder();
    void rootHomeReplacedByHome_data();
    void rootHomeReplacedByHome();
    void foldersBesideExecutable();
};

void tst_FolderManager::initTestCase()
{
    QCoreApplication::setApplicationName("Ozmira");
    QCoreApplication::setOrganizationName(QString());
}

void tst_FolderManager::userDataFolder()
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toUtf8());
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Using data location: .*"));
    QCOMPARE(FolderManager::appDataFolder(), home.path() + "/.local/share/Ozmira");
}

void tst_FolderManager::rootHomeReplacedByHome_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("expected");
    QTest::newRow("/root") << "/root/.local/share" << "/home/ann/.local/share";
    QTest::newRow("/private/var/root") << "/private/var/root/Library/Ozmira" << "/home/ann/Library/Ozmira";
    QTest::newRow("/private/root") << "/private/root/x" << "/home/ann/x";
    QTest::newRow("prefix, not folder name") << "/rootless/x" << "/home/annless/x";
    QTest::newRow("user home untouched") << "/home/bob/.local/share" << "/home/bob/.local/share";
}

// The XDG data home stands in for the platform's data location, so any prefix
// can be put in front of the application name.
void tst_FolderManager::rootHomeReplacedByHome()
{
    QFETCH(QString, location);
    QFETCH(QString, expected);
    qputenv("XDG_DATA_HOME", location.toUtf8());
    qputenv("HOME", "/home/ann");
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Using data location: .*"));
    QCOMPARE(FolderManager::appDataFolder(), expected + "/Ozmira");
}

void tst_FolderManager::foldersBesideExecutable()
{
    const QDir exeDir(QCoreApplication::applicationDirPath());
    QCOMPARE(FolderManager::appFolder(), QDir::cleanPath(exeDir.absoluteFilePath("../Resources")));
    QCOMPARE(FolderManager::appBundleDirPath(), QDir::cleanPath(exeDir.absoluteFilePath("../../..")));
    QVERIFY(QDir::isAbsolutePath(FolderManager::appBundleDirPath()));
}

QTEST_GUILESS_MAIN(tst_FolderManager)
#include "tst_FolderManager.moc"
