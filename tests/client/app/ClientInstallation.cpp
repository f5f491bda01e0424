#include "ClientInstallation.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

namespace {
constexpr int ProcessEndMs = 120000;
constexpr int LogWaitMs = 120000;

void install(const QString& from, const QString& to, mode_t mode)
{
    QFile::copy(from, to);
    chmod(QFile::encodeName(to).constData(), mode);
}

void writeScript(const QString& path, const QByteArray& body = "exit 0\n")
{
    QFile script(path);
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\n" + body);
    script.close();
    chmod(QFile::encodeName(path).constData(), 0755);
}
} // namespace

ClientInstallation::ClientInstallation(const QByteArray& backendScript)
{
    chmod(QFile::encodeName(root.path()).constData(), 0755);
    const QDir top(root.path());
    top.mkpath("Ozmira/Contents/bin");
    top.mkpath("Ozmira/Contents/Resources");
    install(QStringLiteral(OZM_CLIENT), client(), 0755);
    const QString resources = root.filePath("Ozmira/Contents/Resources/");
    if (backendScript.isEmpty())
        install(QStringLiteral(OZM_LAUNCH), resources + "ozm_launch", 04755);
    else
        writeScript(resources + "ozm_launch", backendScript);
    for (const char* script : {"openvpn", "vpn-up-mac", "vpn-down-mac.sh"})
        writeScript(resources + script);
    top.mkpath(dataFolder());
    chmod(QFile::encodeName(dataFolder()).constData(), 0700);
    top.mkpath("run");
    chmod(QFile::encodeName(runtimeFolder()).constData(), 0700);
    top.mkpath("tmp");
}

ClientInstallation::~ClientInstallation()
{
    for (const auto& process : processes) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(ProcessEndMs);
        }
    }
}

void ClientInstallation::handOverTo(uint uid)
{
    user = uid;
    const QString owner = QString::number(uid) + ':' + QString::number(uid);
    for (const char* folder : {"home", "run", "tmp"})
        QProcess::execute("/usr/bin/chown", {"-R", owner, root.filePath(folder)});
}

QString ClientInstallation::client() const
{
    return root.filePath("Ozmira/Contents/bin/ozm");
}

QString ClientInstallation::dataFolder() const
{
    return root.filePath("home/.local/share/Ozmira");
}

QProcessEnvironment ClientInstallation::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "TMPDIR", "TEMP", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    env.insert("HOME", home());
    env.insert("XDG_RUNTIME_DIR", runtimeFolder());
    env.insert("TMPDIR", root.filePath("tmp"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // The offscreen plugin's screen, which it never frees, is known to the leak
    // checker only by frames the fast unwinder does not reach.
    env.insert("ASAN_OPTIONS", "fast_unwind_on_malloc=0");
    // The embedded browser's engine refuses to run as root inside its sandbox.
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    return env;
}

QProcess* ClientInstallation::start(const QStringList& arguments, const QProcessEnvironment& env, bool keepErrors)
{
    processes.push_back(std::make_unique<QProcess>());
    QProcess* process = processes.back().get();
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(keepErrors ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    if (user == 0)
        process->start(client(), arguments);
    else
        process->start("/usr/bin/setpriv", QStringList{"--reuid=" + QString::number(user),
                                                       "--regid=" + QString::number(user), "--clear-groups", "--",
                                                       client()} + arguments);
    process->waitForStarted();
    return process;
}

int ClientInstallation::run(const QStringList& arguments, const QProcessEnvironment& env, QByteArray* errors)
{
    QProcess* process = start(arguments, env, errors != nullptr);
    const bool ended = process->waitForFinished(ProcessEndMs);
    if (errors)
        *errors = process->readAllStandardError();
    if (!ended)
        return -100;
    return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -101;
}

QByteArray ClientInstallation::log() const
{
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool ClientInstallation::waitForLog(const QByteArray& text, int count) const
{
    return QTest::qWaitFor([&] { return log().count(text) >= count; }, LogWaitMs);
}
