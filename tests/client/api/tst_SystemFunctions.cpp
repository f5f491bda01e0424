#include "ApiTestKit.h"

#include <FakeElevation.h>
#include <Folders.h>
#include <PrivateNamespaces.h>
#include <SmallDisk.h>
#include <SystemFunctions.h>
#include <XdgAutostart.h>

#include <QProcess>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(Elevation::Outcome)

class tst_SystemFunctions : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void selfCheck_data();
    void selfCheck();
    void selfRepair_data();
    void selfRepair();
    void selfRepairThroughPkexec_data();
    void selfRepairThroughPkexec();
    void autostartEntryRoundTrips_data();
    void autostartEntryRoundTrips();
    void autostartEntriesOfOthers();
    void autostartEntryOnFullDisk();

private:
    std::unique_ptr<QTemporaryDir> dir;
    QByteArray savedPath;
    QByteArray savedConfigHome;
};

void tst_SystemFunctions::init()
{
    dir = std::make_unique<QTemporaryDir>();
    Folders::setAppFolder(dir->filePath("Resources"));
    QDir().mkpath(Folders::app_folder);
    savedPath = qgetenv("PATH");
    savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir->filePath("config")));
}

void tst_SystemFunctions::cleanup()
{
    ozm::setElevation(nullptr);
    qputenv("PATH", savedPath);
    qputenv("XDG_CONFIG_HOME", savedConfigHome);
}

void tst_SystemFunctions::selfCheck_data()
{
    QTest::addColumn<QByteArray>("launcher");
    QTest::addColumn<bool>("sound");
    QTest::addColumn<QString>("logged");

    QTest::newRow("sound") << QByteArray("echo 'Self-check completed successfully.'; exit 0") << true
                           << "Self-check result: Self-check completed successfully.\n";
    QTest::newRow("faulty") << QByteArray("echo 'self-check failed because x'; exit 1") << false
                            << "Self-check result: self-check failed because x\n";
    QTest::newRow("missing") << QByteArray() << false << "Failed to perform self-check operation";
}

void tst_SystemFunctions::selfCheck()
{
    QFETCH(QByteArray, launcher);
    QFETCH(bool, sound);
    QFETCH(QString, logged);
    if (!launcher.isNull())
        writeScript(Folders::app_folder + "/ozm_launch", launcher);
    MessageCapture log;
    QCOMPARE(ozm::self_check(), sound);
    QCOMPARE(log.messages().last(), logged);
}

void tst_SystemFunctions::selfRepair_data()
{
    QTest::addColumn<Elevation::Outcome>("outcome");
    QTest::addColumn<bool>("repaired");
    QTest::addColumn<QString>("logged");

    QTest::newRow("repaired") << Elevation::Outcome{true, 0, "Self-repair completed successfully.\n", ""} << true
                              << "Self repair success: Self-repair completed successfully.\n";
    QTest::newRow("dialog dismissed")
        << Elevation::Outcome{true, 126, "", "Error executing command as another user: Request dismissed\n"} << false
        << "Self repair failed: The administrator password is required to do this.";
    QTest::newRow("not authorised")
        << Elevation::Outcome{true, 127, "", "Error executing command as another user: Not authorized\n"} << false
        << "Self repair failed: Error executing command as another user: Not authorized";
    QTest::newRow("repair failed") << Elevation::Outcome{true, 1, "Critical: Failed to create app data dir: /x\n", ""}
                                   << false << "Self repair failed: Critical: Failed to create app data dir: /x\n";
    QTest::newRow("no answer") << Elevation::Outcome{false, -1, "", "pkexec got no answer in time"} << false
                               << "Self repair failed: pkexec got no answer in time";
}

void tst_SystemFunctions::selfRepair()
{
    QFETCH(Elevation::Outcome, outcome);
    QFETCH(bool, repaired);
    QFETCH(QString, logged);
    FakeElevation elevation;
    elevation.outcome = outcome;
    ozm::setElevation(&elevation);
    MessageCapture log;

    QCOMPARE(ozm::self_repair(), repaired);
    QCOMPARE(log.messages(), QStringList{logged});
    const QStringList request = {Folders::app_folder + "/ozm_launch", "self-repair"};
    QCOMPARE(elevation.requests, QList<QStringList>{request});
}

void tst_SystemFunctions::selfRepairThroughPkexec_data()
{
    QTest::addColumn<QByteArray>("pkexec");
    QTest::addColumn<bool>("repaired");
    QTest::addColumn<QString>("logged");

    // The stand-in shows what it was asked to run; %1 is the application folder.
    QTest::newRow("repaired") << QByteArray("echo \"$# $1 $2\"; exit 0") << true
                              << "Self repair success: 2 %1/ozm_launch self-repair\n";
    QTest::newRow("dismissed") << QByteArray("exit 126") << false
                               << "Self repair failed: The administrator password is required to do this.";
    QTest::newRow("not authorised") << QByteArray("echo 'Not authorized' >&2; exit 127") << false
                                    << "Self repair failed: Not authorized";
    QTest::newRow("no pkexec") << QByteArray() << false << "Self repair failed: pkexec is not installed";
}

void tst_SystemFunctions::selfRepairThroughPkexec()
{
    QFETCH(QByteArray, pkexec);
    QFETCH(bool, repaired);
    QFETCH(QString, logged);
    const QString bin = dir->filePath("bin");
    QDir().mkpath(bin);
    if (!pkexec.isNull())
        writeScript(bin + "/pkexec", pkexec);
    qputenv("PATH", QFile::encodeName(bin));
    MessageCapture log;

    QCOMPARE(ozm::self_repair(), repaired);
    QCOMPARE(log.messages(), QStringList{logged.replace("%1", Folders::app_folder)});
}

void tst_SystemFunctions::autostartEntryRoundTrips_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("execLine");

    QTest::newRow("plain") << "/opt/Ozmira/ozm" << R"(Exec="/opt/Ozmira/ozm")";
    QTest::newRow("blank and percent") << "/home/a b/100%/ozm" << R"(Exec="/home/a b/100%%/ozm")";
    QTest::newRow("quote, backslash, dollar, backtick")
        << R"(/home/"q"/a\b/$HOME/`x`/ozm)" << R"(Exec="/home/\\"q\\"/a\\\\b/\\$HOME/\\`x\\`/ozm")";
}

void tst_SystemFunctions::autostartEntryRoundTrips()
{
    QFETCH(QString, executable);
    QFETCH(QString, execLine);
    const QString entry = dir->filePath("config/autostart/Ozmira.desktop");
    XdgAutostart autostart(executable);
    QVERIFY(!autostart.launchesAtLogin());

    autostart.setLaunchAtLogin(true);
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), "[Desktop Entry]\nType=Application\nName=Ozmira\n" + execLine + "\n");
    // Sessions skip an entry their parser rejects.
    QProcess validate;
    validate.start("desktop-file-validate", {entry});
    QVERIFY(validate.waitForFinished(30000));
    QCOMPARE(validate.readAll(), QByteArray());
    QCOMPARE(validate.exitCode(), 0);
    QVERIFY(autostart.launchesAtLogin());
    QVERIFY(!XdgAutostart(executable + "x").launchesAtLogin());

    autostart.setLaunchAtLogin(false);
    QVERIFY(!QFile::exists(entry));
    QVERIFY(!autostart.launchesAtLogin());
}

void tst_SystemFunctions::autostartEntriesOfOthers()
{
    const QString folder = dir->filePath("config/autostart/");
    writeFile(folder + "hidden.desktop", "[Desktop Entry]\nExec=/opt/Ozmira/ozm\nHidden=true\n");
    writeFile(folder + "other.desktop", "[Desktop Entry]\nExec=/usr/bin/other\n");
    writeFile(folder + "action.desktop",
              "[Desktop Entry]\nExec=/usr/bin/other\n[Desktop Action x]\nExec=/opt/Ozmira/ozm\n");
    XdgAutostart autostart("/opt/Ozmira/ozm");
    QVERIFY(!autostart.launchesAtLogin());

    writeFile(folder + "copy.desktop", "[Desktop Entry]\nName=Mine\nExec = /opt/Ozmira/ozm --hidden\n");
    QVERIFY(autostart.launchesAtLogin());

    // Off means off: every entry that would start it goes, the hidden one too.
    autostart.setLaunchAtLogin(false);
    QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{"action.desktop", "other.desktop"}));
}

// A full disk is a warning, not an empty entry taken for one that starts us.
void tst_SystemFunctions::autostartEntryOnFullDisk()
{
    const QString folder = dir->filePath("config/autostart");
    QVERIFY(QDir().mkpath(folder));
    const SmallDisk disk(folder, 16);
    QVERIFY(disk.isMounted());
    QVERIFY(disk.fill());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Failed to write .*/Ozmira.desktop$"));
    XdgAutostart("/opt/Ozmira/ozm").setLaunchAtLogin(true);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"filler"});
}

OZM_NAMESPACE_TEST_MAIN(tst_SystemFunctions, PrivateNamespaces::Options())
#include "tst_SystemFunctions.moc"
