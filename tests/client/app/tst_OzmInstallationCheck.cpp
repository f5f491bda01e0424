#include "ClientInstallation.h"

#include <PrivateNamespaces.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QScreen>
#include <QTest>

#include <sys/stat.h>

namespace {
const uint User = 65534;
constexpr int BoxWaitMs = 120000;
constexpr int ProcessEndMs = 120000;

// Runs xdotool against the test's X server; its output, trimmed.
QString xdotool(const QStringList& arguments, bool* ok = nullptr)
{
    QProcess tool;
    tool.start("/usr/bin/xdotool", arguments);
    const bool done = tool.waitForFinished(BoxWaitMs) && tool.exitStatus() == QProcess::NormalExit
                      && tool.exitCode() == 0;
    if (ok)
        *ok = done;
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// The message boxes carry the bare product name as their title; the main
// window's title says more.
QString waitForBox(const QString& other = {})
{
    QString box;
    // An empty answer says it did not come.
    (void)QTest::qWaitFor(
        [&] {
            const QStringList found = xdotool({"search", "--onlyvisible", "--name", "^Ozmira$"}).split('\n');
            for (const QString& id : found)
                if (!id.isEmpty() && id != other)
                    box = id;
            return !box.isEmpty();
        },
        BoxWaitMs);
    return box;
}

// Whether the picture has a patch of the colour: the box's icon.
bool shows(const QImage& picture, bool (*colour)(QRgb))
{
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            count += colour(picture.pixel(x, y)) ? 1 : 0;
    return count >= 20;
}

bool red(QRgb pixel)
{
    return qRed(pixel) > 150 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

bool blue(QRgb pixel)
{
    return qBlue(pixel) > 150 && qRed(pixel) < 100;
}

// The box as a person sees it once its icon is drawn (until then the grab shows
// whatever lies beneath), kept in the build tree.
QImage grab(const QString& box, const QString& name, bool (*icon)(QRgb))
{
    QScreen* const screen = QGuiApplication::primaryScreen();
    QImage picture;
    (void)QTest::qWaitFor(
        [&] {
            picture = screen ? screen->grabWindow(box.toULongLong()).toImage() : QImage();
            return shows(picture, icon);
        },
        BoxWaitMs);
    QDir().mkpath(QStringLiteral(OZM_SCREENSHOT_DIR));
    picture.save(QStringLiteral(OZM_SCREENSHOT_DIR "/tst_OzmInstallationCheck-") + name + ".png");
    return picture;
}

bool confirm(const QString& box)
{
    bool ok = false;
    xdotool({"windowfocus", "--sync", box, "key", "Return"}, &ok);
    return ok;
}

mode_t modeOf(const QString& path)
{
    struct stat st {};
    stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}
} // namespace

// The installation check of a user's start, with the real backend program and a
// stand-in for the elevation program: it runs the command as root with exactly
// the environment pkexec gives it, or refuses as pkexec does when the password
// dialog is dismissed. The boxes are answered as a person would, by keyboard.
class tst_OzmInstallationCheck : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void acceptedRepairGoesOn();
    void refusedRepairEndsWithOne();

private:
    void writeElevation(const QByteArray& body);
    QProcessEnvironment environment() const;

    std::unique_ptr<ClientInstallation> installation;
};

void tst_OzmInstallationCheck::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs its own X server");
    installation = std::make_unique<ClientInstallation>();
    // The user the elevation program names: the first entry for the uid wins.
    QFile machineUsers("/etc/passwd");
    QVERIFY(machineUsers.open(QIODevice::ReadOnly));
    const QByteArray caller = "caller:x:65534:65534::" + QFile::encodeName(installation->home()) + ":/bin/sh\n";
    QVERIFY(PrivateNamespaces::privateFile("/etc/passwd", caller + machineUsers.readAll()));
    installation->handOverTo(User);
}

void tst_OzmInstallationCheck::init()
{
    QVERIFY(PrivateNamespaces::renewNetwork());
    QFile::remove(installation->logPath());
    // A script others may change: the check fails, the repair mends it.
    QVERIFY(QFile::setPermissions(installation->resources() + "/openvpn",
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                      | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                      | QFileDevice::ReadOther | QFileDevice::ExeOther));
}

void tst_OzmInstallationCheck::cleanupTestCase()
{
    installation.reset();
}

// "pkexec" first on the user's PATH; a set-uid copy of setpriv lends it root.
void tst_OzmInstallationCheck::writeElevation(const QByteArray& body)
{
    const QString folder = installation->runtimeFolder() + "/../elevation";
    QDir().mkpath(folder);
    const QString setpriv = folder + "/setpriv";
    QFile::copy("/usr/bin/setpriv", setpriv);
    chmod(QFile::encodeName(setpriv).constData(), 04755);
    QFile script(folder + "/pkexec");
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\nsetpriv=" + QFile::encodeName(setpriv) + "\n" + body);
    script.close();
    chmod(QFile::encodeName(script.fileName()).constData(), 0755);
}

QProcessEnvironment tst_OzmInstallationCheck::environment() const
{
    QProcessEnvironment env = installation->environment();
    env.insert("PATH", installation->runtimeFolder() + "/../elevation:" + env.value("PATH"));
    env.insert("DISPLAY", qEnvironmentVariable("DISPLAY"));
    env.insert("QT_QPA_PLATFORM", "xcb");
    // The set-uid backend cannot be traced by the leak checker.
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    return env;
}

void tst_OzmInstallationCheck::acceptedRepairGoesOn()
{
    writeElevation("exec \"$setpriv\" --reuid=0 --regid=0 --clear-groups -- /usr/bin/env -i SHELL=/bin/sh "
                   "LOGNAME=root USER=root HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin PKEXEC_UID=$(id -u) \"$@\"\n");
    QProcess* client = installation->start({}, environment());

    const QString information = waitForBox();
    QVERIFY(!information.isEmpty());
    const QImage picture = grab(information, "information", blue);
    QVERIFY(shows(picture, blue));
    QVERIFY(!shows(picture, red));
    QVERIFY(confirm(information));

    QVERIFY(installation->waitForLog("Self repair success"));
    QVERIFY(installation->waitForLog("Ozm: Successfully connected to backend service."));
    QCOMPARE(modeOf(installation->resources() + "/openvpn"), mode_t(0755));
    QCOMPARE(client->state(), QProcess::Running);
    QCOMPARE(installation->run({"quit"}, environment()), 0);
    QVERIFY(client->waitForFinished(ProcessEndMs));
    QCOMPARE(client->exitCode(), 0);
}

// pkexec's answer when the password dialog is dismissed.
void tst_OzmInstallationCheck::refusedRepairEndsWithOne()
{
    writeElevation("exit 126\n");
    QProcess* client = installation->start({}, environment());

    const QString information = waitForBox();
    QVERIFY(!information.isEmpty());
    QVERIFY(confirm(information));

    const QString critical = waitForBox(information);
    QVERIFY(!critical.isEmpty());
    const QImage picture = grab(critical, "critical", red);
    QVERIFY(shows(picture, red));
    QVERIFY(confirm(critical));

    QVERIFY(client->waitForFinished(ProcessEndMs));
    QCOMPARE(client->exitStatus(), QProcess::NormalExit);
    QCOMPARE(client->exitCode(), 1);
    // Neither the link nor anything the controller would show came up.
    QVERIFY(!installation->log().contains("Ozm: starting backend process"));
    QCOMPARE(modeOf(installation->resources() + "/openvpn"), mode_t(0775));
}

int main(int argc, char** argv)
{
    if (!PrivateNamespaces::enter(PrivateNamespaces::Options().withOwnProcesses()))
        return 1;
    QApplication app(argc, argv);
    tst_OzmInstallationCheck test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_OzmInstallationCheck.moc"
