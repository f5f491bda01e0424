#include "ClientInstallation.h"
#include "XWindows.h"

#include <PrivateNamespaces.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTest>

#include <sys/stat.h>

namespace {
const uint User = 65534;
constexpr int ProcessEndMs = 120000;
// The message boxes carry the bare product name as their title; the main
// window's title says more.
const QString BoxTitle = QStringLiteral("Ozmira");

bool red(QRgb pixel)
{
    return qRed(pixel) > 150 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

bool blue(QRgb pixel)
{
    return qBlue(pixel) > 150 && qRed(pixel) < 100;
}

// The box as a person sees it once its icon is drawn.
QImage grab(const QString& box, const QString& name, bool (*icon)(QRgb))
{
    return XWindows::grab(box, "tst_OzmInstallationCheck-" + name, icon);
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
    void quitDuringCheckTimesOut();

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
    QProcessEnvironment env = XWindows::onDisplay(installation->environment());
    env.insert("PATH", installation->runtimeFolder() + "/../elevation:" + env.value("PATH"));
    // The set-uid backend cannot be traced by the leak checker.
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    return env;
}

void tst_OzmInstallationCheck::acceptedRepairGoesOn()
{
    writeElevation("exec \"$setpriv\" --reuid=0 --regid=0 --clear-groups -- /usr/bin/env -i SHELL=/bin/sh "
                   "LOGNAME=root USER=root HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin PKEXEC_UID=$(id -u) \"$@\"\n");
    QProcess* client = installation->start({}, environment());

    const QString information = XWindows::waitFor(BoxTitle);
    QVERIFY(!information.isEmpty());
    const QImage picture = grab(information, "information", blue);
    QVERIFY(XWindows::shows(picture, blue));
    QVERIFY(!XWindows::shows(picture, red));
    QVERIFY(XWindows::confirm(information));

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

    const QString information = XWindows::waitFor(BoxTitle);
    QVERIFY(!information.isEmpty());
    QVERIFY(XWindows::confirm(information));

    const QString critical = XWindows::waitFor(BoxTitle, information);
    QVERIFY(!critical.isEmpty());
    const QImage picture = grab(critical, "critical", red);
    QVERIFY(XWindows::shows(picture, red));
    QVERIFY(XWindows::confirm(critical));

    QVERIFY(client->waitForFinished(ProcessEndMs));
    QCOMPARE(client->exitStatus(), QProcess::NormalExit);
    QCOMPARE(client->exitCode(), 1);
    // Neither the link nor anything the controller would show came up.
    QVERIFY(!installation->log().contains("Ozm: starting backend process"));
    QCOMPARE(modeOf(installation->resources() + "/openvpn"), mode_t(0775));
}

// The client hands a quit to nobody until it is running; a quit that comes while
// the check's box waits is acknowledged and has no effect, so the caller waits
// its twenty one-second steps, warns, and still ends with 0.
void tst_OzmInstallationCheck::quitDuringCheckTimesOut()
{
    writeElevation("exit 126\n");
    QProcess* client = installation->start({}, environment());
    const QString information = XWindows::waitFor(BoxTitle);
    QVERIFY(!information.isEmpty());

    QElapsedTimer waited;
    waited.start();
    QByteArray errors;
    QCOMPARE(installation->run({"quit"}, environment(), &errors), 0);
    QVERIFY2(errors.contains("Timeout waiting of application instance to quit"), errors.constData());
    QVERIFY(waited.elapsed() >= 20000);
    QCOMPARE(client->state(), QProcess::Running);
    QCOMPARE(XWindows::waitFor(BoxTitle), information);
    client->kill();
    QVERIFY(client->waitForFinished(ProcessEndMs));
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
