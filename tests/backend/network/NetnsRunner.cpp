#include "NetnsRunner.h"

#include "OperatorWebHost.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

const QString IpTool = QStringLiteral("/usr/sbin/ip");
const char InsideVariable[] = "OZM_TEST_NETNS";
const QString NamePrefix = QStringLiteral("ozm-nettest-");

bool ip(const QStringList& arguments)
{
    QProcess process;
    process.start(IpTool, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QString markerFor(const QString& name)
{
    return QStringLiteral("ozm network test namespace ") + name;
}

void removeNamespace(const QString& name)
{
    ip({"netns", "delete", name});
    QDir(QStringLiteral("/etc/netns/") + name).removeRecursively();
}

// A run killed by its time-out cannot clean up; the next run clears what is
// left of runs whose process is gone.
void removeLeftovers()
{
    QStringList names = QDir(QStringLiteral("/run/netns")).entryList({NamePrefix + '*'}, QDir::Files);
    names += QDir(QStringLiteral("/etc/netns")).entryList({NamePrefix + '*'}, QDir::Dirs);
    for (const QString& name : names) {
        const pid_t pid = name.mid(NamePrefix.size()).toInt();
        if (pid > 0 && kill(pid, 0) != 0 && errno == ESRCH)
            removeNamespace(name);
    }
}

bool prepareNamespace(const QString& name)
{
    const QString etc = QStringLiteral("/etc/netns/") + name;
    return ip({"netns", "add", name}) && QDir().mkpath(etc)
        && writeFile(etc + QStringLiteral("/resolv.conf"),
                     "# " + markerFor(name).toUtf8() + "\nnameserver 127.0.0.1\n")
        && writeFile(etc + QStringLiteral("/hosts"), "127.0.0.1 localhost\n"
                         + NetnsRunner::hostAddress().toUtf8() + ' ' + OperatorWebHost + '\n');
}

int runInside(const QString& name, int argc, char** argv)
{
    QStringList arguments{"netns", "exec", name, QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))};
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(InsideVariable, name);
    child.setProcessEnvironment(environment);
    child.start(IpTool, arguments);
    child.waitForFinished(-1);
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 1;
}

} // namespace

bool NetnsRunner::insideNamespace()
{
    return qEnvironmentVariableIsSet(InsideVariable);
}

QString NetnsRunner::marker()
{
    return markerFor(qEnvironmentVariable(InsideVariable));
}

QString NetnsRunner::hostAddress()
{
    return QStringLiteral("10.201.9.9");
}

int NetnsRunner::runInNamespace(int argc, char** argv)
{
    if (insideNamespace())
        return -1;
    removeLeftovers();

    const QString name = NamePrefix + QString::number(getpid());
    const QByteArray machineResolvConf = readFile(QStringLiteral("/etc/resolv.conf"));
    int rc = 1;
    if (prepareNamespace(name))
        rc = runInside(name, argc, argv);
    else
        std::fprintf(stderr, "FAIL: cannot prepare the network namespace %s\n", qPrintable(name));
    removeNamespace(name);

    if (readFile(QStringLiteral("/etc/resolv.conf")) != machineResolvConf) {
        std::fprintf(stderr, "FAIL: the machine's /etc/resolv.conf changed; restored\n");
        writeFile(QStringLiteral("/etc/resolv.conf"), machineResolvConf);
        rc = 1;
    }
    return rc;
}
