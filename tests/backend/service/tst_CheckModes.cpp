#include <PrivateNamespaces.h>

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const uid_t Nobody = 65534;
const int Keep = -1;

bool runTool(const QString& program, const QStringList& arguments)
{
    return QProcess::execute(program, arguments) == 0;
}

// An installed application folder, a user's home and data folder, in a temporary
// tree that the user nobody can walk through.
class InstallTree
{
public:
    InstallTree()
    {
        chmod(QFile::encodeName(root.path()).constData(), 0755);
        QDir(root.path()).mkpath("app");
        QDir(root.path()).mkpath("evil");
        QDir(root.path()).mkpath("root");
        QFile::copy(QStringLiteral(OZM_LAUNCH), launcher());
        writeScript(app("openvpn"));
        writeScript(app("vpn-up-mac"));
        writeScript(app("vpn-down-mac.sh"));
        // Found on the caller's PATH, it would leave a mark if the backend ever ran
        // a tool by its bare name.
        writeScript(evil("chown"), "touch " + evil("chown-was-run") + "\n");
        repair();
    }

    QString app(const QString& name) const { return root.filePath("app/" + name); }
    QString launcher() const { return app("ozm_launch"); }
    QString evil(const QString& name) const { return root.filePath("evil/" + name); }
    QString home() const { return root.filePath("home"); }
    QString rootHome() const { return root.filePath("root"); }
    QString dataFolder() const { return home() + "/.local/share/Ozmira"; }

    QString path(const QString& name) const
    {
        if (name == "data")
            return dataFolder();
        return name == "app" ? root.filePath("app") : app(name);
    }

    // Brings every file back to what a sound installation has.
    void repair()
    {
        QDir().mkpath(dataFolder());
        runTool("/usr/bin/chown", {"-R", "65534:65534", home()});
        chmod(QFile::encodeName(home()).constData(), 0755);
        chmod(QFile::encodeName(dataFolder()).constData(), 0700);
        for (const QString& name : {path("app"), app("openvpn"), app("vpn-up-mac"), app("vpn-down-mac.sh")})
            set(name, 0, 0, 0755);
        set(launcher(), 0, 0, 04755);
    }

    static void set(const QString& path, int uid, int gid, int mode)
    {
        const QByteArray file = QFile::encodeName(path);
        if (uid != Keep || gid != Keep)
            QVERIFY(chown(file.constData(), uid_t(uid), gid_t(gid)) == 0);
        // chown drops the set-id bits, so the mode comes last.
        if (mode != Keep)
            QVERIFY(chmod(file.constData(), mode_t(mode)) == 0);
    }

    static uid_t ownerOf(const QString& path)
    {
        struct stat st {};
        stat(QFile::encodeName(path).constData(), &st);
        return st.st_uid;
    }

private:
    static void writeScript(const QString& path, const QString& body = QString())
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body.toUtf8());
    }

    QTemporaryDir root;
};

struct Run
{
    int exitCode = -2;
    QString out;
    QString err;
};

} // namespace

class tst_CheckModes : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void soundInstallationPasses();
    void faultIsReportedAndRepaired_data();
    void faultIsReportedAndRepaired();
    void checkByRootRepairsItself();
    void repairCreatesDataFolderForTheUser();
    void repairThroughPkexecServesTheCaller();
    void refusedCommand_data();
    void refusedCommand();
    void setuidRunIgnoresCallersEnvironment();
    void checkLendsNoGroupOfRoot();

private:
    Run launch(const QString& command, bool asNobody, const QProcessEnvironment& extra = {}) const;

    std::unique_ptr<InstallTree> tree;
};

void tst_CheckModes::init()
{
    tree = std::make_unique<InstallTree>();
}

Run tst_CheckModes::launch(const QString& command, bool asNobody, const QProcessEnvironment& extra) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_DATA_HOME");
    env.insert("HOME", tree->home());
    env.insert("PATH", tree->evil("") + ":/usr/bin:/bin");
    // pkexec hands over nothing of the caller's but what it names itself.
    if (extra.contains("PKEXEC_UID"))
        env = QProcessEnvironment();
    // A set-uid process cannot be traced, and the leak checker needs to trace it.
    if (asNobody)
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
    for (const QString& key : extra.keys())
        env.insert(key, extra.value(key));

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(tree->home());
    if (asNobody)
        process.start("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--", tree->launcher(), command});
    else
        process.start(tree->launcher(), {command});
    Run run;
    if (!process.waitForFinished(30000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void tst_CheckModes::soundInstallationPasses()
{
    const Run run = launch("self-check", true);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.endsWith("Self-check completed successfully.\n"), qPrintable(run.out));
    QVERIFY(!run.out.contains("self-check failed because"));
}

void tst_CheckModes::faultIsReportedAndRepaired_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("uid");
    QTest::addColumn<int>("gid");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("reason");

    QTest::newRow("launcher not root's") << "ozm_launch" << 65534 << 0 << Keep
                                         << "is not owned by root. Expected uid 0, got uid 65534";
    QTest::newRow("launcher not in root's group") << "ozm_launch" << 0 << 65534 << 04755
                                                  << "is not group wheel. Expected gid 0, got gid 65534";
    QTest::newRow("launcher group-writable") << "ozm_launch" << Keep << Keep << 04775
                                             << "is group-writable. Got file permissions 0104775";
    QTest::newRow("launcher world-writable") << "ozm_launch" << Keep << Keep << 04757
                                             << "is world-writable. Got file permissions 0104757";
    QTest::newRow("launcher not set-id") << "ozm_launch" << Keep << Keep << 0755 << "is not suid. Got file mode 0100755";
    QTest::newRow("launcher set-gid too") << "ozm_launch" << Keep << Keep << 06755
                                          << "is not executable. Got file mode 0106755";
    QTest::newRow("launcher set-gid only") << "ozm_launch" << Keep << Keep << 02755
                                           << "is not executable. Got file mode 0102755";
    QTest::newRow("openvpn mode") << "openvpn" << Keep << Keep << 0775 << "has wrong permissions. Got file mode 0100775";
    QTest::newRow("openvpn not root's") << "openvpn" << 65534 << 65534 << 0755
                                        << "is not owned by root. Expected uid 0, got uid 65534";
    QTest::newRow("up script not root's") << "vpn-up-mac" << 65534 << 0 << 0755
                                          << "is not owned by root. Expected uid 0, got uid 65534";
    QTest::newRow("down script group-writable") << "vpn-down-mac.sh" << Keep << Keep << 0775
                                                << "is group-writable. Got file permissions 0100775";
    QTest::newRow("up script world-writable") << "vpn-up-mac" << Keep << Keep << 0757
                                              << "is world-writable. Got file permissions 0100757";
    QTest::newRow("app folder not root's") << "app" << 65534 << 0 << Keep
                                           << "is not owned by root. Expected uid 0, got uid 65534";
    QTest::newRow("app folder group-writable") << "app" << Keep << Keep << 0775
                                               << "is group-writable. Got file permissions 040775";
    QTest::newRow("data folder not the user's") << "data" << 0 << 0 << Keep
                                                << "App data dir has wrong ownership, expected 65534:65534, got 0:0,";
}

void tst_CheckModes::faultIsReportedAndRepaired()
{
    QFETCH(QString, file);
    QFETCH(int, uid);
    QFETCH(int, gid);
    QFETCH(int, mode);
    QFETCH(QString, reason);
    InstallTree::set(tree->path(file), uid, gid, mode);

    const Run check = launch("self-check", true);
    QCOMPARE(check.exitCode, 1);
    // The data folder's line stands on its own; every other one names the file.
    const QString line = reason.startsWith("App data dir") ? reason
                                                            : "self-check failed because " + tree->path(file) + " " + reason;
    QVERIFY2(check.out.contains(line + "\n"), qPrintable(check.out));
    QVERIFY(!check.out.contains("self-repair"));

    const Run repair = launch("self-repair", false);
    QCOMPARE(repair.exitCode, 0);
    QVERIFY2(repair.out.endsWith("Self-repair completed successfully.\n"), qPrintable(repair.out));
    QVERIFY(!QFile::exists(tree->evil("chown-was-run")));

    QCOMPARE(launch("self-check", true).exitCode, 0);
}

void tst_CheckModes::checkByRootRepairsItself()
{
    InstallTree::set(tree->launcher(), Keep, Keep, 0755);
    const Run run = launch("self-check", false);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains("is not suid. Got file mode 0100755\nAttempt auto self-repair.\n"), qPrintable(run.out));
    QVERIFY(run.out.endsWith("Self-repair completed successfully.\nSelf-check completed successfully.\n"));
    QCOMPARE(launch("self-check", true).exitCode, 0);
}

void tst_CheckModes::repairCreatesDataFolderForTheUser()
{
    QVERIFY(QDir(tree->home() + "/.local").removeRecursively());
    const Run check = launch("self-check", true);
    QCOMPARE(check.exitCode, 1);
    QVERIFY(check.out.contains("stat call for " + tree->dataFolder() + " failed with code -1\n"));

    QCOMPARE(launch("self-repair", false).exitCode, 0);
    // Folders root creates in a home would otherwise lock the user out of them.
    for (const char* folder : {"/.local", "/.local/share", "/.local/share/Ozmira"})
        QCOMPARE(InstallTree::ownerOf(tree->home() + QLatin1String(folder)), Nobody);
    QCOMPARE(launch("self-check", true).exitCode, 0);
}

// pkexec starts the repair as root with root's HOME; the data folder mended is
// the one of the user pkexec names.
void tst_CheckModes::repairThroughPkexecServesTheCaller()
{
    QVERIFY(QDir(tree->home() + "/.local").removeRecursively());
    QFile machineUsers("/etc/passwd");
    QVERIFY(machineUsers.open(QIODevice::ReadOnly));
    const QByteArray caller = "caller:x:65534:65534::" + QFile::encodeName(tree->home()) + ":/bin/sh\n";
    QVERIFY(PrivateNamespaces::privateFile("/etc/passwd", caller + machineUsers.readAll()));

    QProcessEnvironment pkexec;
    pkexec.insert("SHELL", "/bin/sh");
    pkexec.insert("LOGNAME", "root");
    pkexec.insert("USER", "root");
    pkexec.insert("HOME", tree->rootHome());
    pkexec.insert("PATH", "/usr/sbin:/usr/bin:/sbin:/bin");
    pkexec.insert("PKEXEC_UID", "65534");
    const Run repair = launch("self-repair", false, pkexec);
    QCOMPARE(repair.exitCode, 0);
    for (const char* folder : {"/.local", "/.local/share", "/.local/share/Ozmira"})
        QCOMPARE(InstallTree::ownerOf(tree->home() + QLatin1String(folder)), Nobody);
    QVERIFY(!QFile::exists(tree->rootHome() + "/.local"));
    QCOMPARE(launch("self-check", true).exitCode, 0);
}

void tst_CheckModes::refusedCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("asNobody");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");

    QTest::newRow("unknown command") << "bogus" << false << 255 << "Critical: Unknown command: bogus\n";
    // Set-uid lends root's rights, not the user's consent to change the installation.
    QTest::newRow("repair by a user") << "self-repair" << true << 1 << "Critical: Need root to perform self repair\n";
}

void tst_CheckModes::refusedCommand()
{
    QFETCH(QString, command);
    QFETCH(bool, asNobody);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    const Run run = launch(command, asNobody);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, output);
}

// Qt obeys its variables while it starts: were they kept, these would silence the
// log, move the data folder and load plugins chosen by whoever ran the backend.
void tst_CheckModes::setuidRunIgnoresCallersEnvironment()
{
    QProcessEnvironment hostile;
    hostile.insert("QT_LOGGING_RULES", "*.debug=false");
    hostile.insert("QT_PLUGIN_PATH", tree->evil(""));
    hostile.insert("XDG_DATA_HOME", tree->evil(""));
    hostile.insert("LD_LIBRARY_PATH", tree->evil(""));
    const Run run = launch("self-check", true, hostile);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.endsWith("Self-check completed successfully.\n"), qPrintable(run.out + run.err));
    QVERIFY2(run.err.contains("Using data location: \"" + tree->dataFolder() + "\""), qPrintable(run.err));
}

// A folder only root's group may enter: whether a path exists in it is none of the
// caller's business, however the launcher was installed (older installations have
// the set-gid bit as well).
void tst_CheckModes::checkLendsNoGroupOfRoot()
{
    InstallTree::set(tree->launcher(), Keep, Keep, 06755);
    const QString closed = tree->rootHome() + "/closed";
    QVERIFY(QDir().mkpath(closed + "/home/.local/share/Ozmira"));
    QVERIFY(runTool("/usr/bin/chown", {"-R", "65534:65534", closed + "/home"}));
    InstallTree::set(closed, 0, 0, 0750);

    QStringList outputs;
    for (const QString& home : {closed + "/home", closed + "/nothing"}) {
        QProcessEnvironment chosen;
        chosen.insert("HOME", home);
        const Run run = launch("self-check", true, chosen);
        QCOMPARE(run.exitCode, 1);
        outputs << QString(run.out).replace(home, "HOME");
    }
    QCOMPARE(outputs.first(), outputs.last());
}

// Private mounts, so that a test can give the backend a user list of its own.
OZM_NAMESPACE_TEST_MAIN(tst_CheckModes, PrivateNamespaces::Options())
#include "tst_CheckModes.moc"
