#include "openvpn_manager.h"

#include "DataFile.h"
#include "LocalWait.h"
#include "paths.h"

#include <execute_manager.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <climits>
#include <csignal>
#include <unistd.h>

namespace openvpn_manager {

namespace {

constexpr int RotatedLogCount = 10;
constexpr int StartChecks = 5;
constexpr int StartCheckIntervalMs = 1000;

QString quoted(const QString& path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

// The host lands on openvpn's command line: it must not read as an option or
// split into several words there.
bool isAcceptableHost(const QString& host)
{
    if (host.isEmpty() || host.startsWith(QLatin1Char('-')))
        return false;
    for (const QChar c : host) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

// openvpn runs as root and opens its pid and log files by name: it gets
// descriptors of files made here instead, never a path in the user's folder.
QString childPath(int fd)
{
    return QStringLiteral("/dev/fd/%1").arg(fd);
}

QStringList arguments(const QString& host, bool isEncrypted, int pidFd, int logFd)
{
    QStringList args{
        QStringLiteral("--client"),
        QStringLiteral("--dev"), QStringLiteral("tun"),
        QStringLiteral("--remote"), host, isEncrypted ? QStringLiteral("1195") : QStringLiteral("1196"),
        QStringLiteral("--resolv-retry"), QStringLiteral("3"),
        QStringLiteral("--proto"), QStringLiteral("tcp-client"),
        QStringLiteral("--persist-tun"),
        QStringLiteral("--comp-lzo"),
        QStringLiteral("--verb"), QStringLiteral("3"),
        QStringLiteral("--auth-user-pass"),
        QStringLiteral("--ns-cert-type"), QStringLiteral("server"),
        QStringLiteral("--redirect-gateway"),
        QStringLiteral("--management-up-down"),
        QStringLiteral("--route-delay"), QStringLiteral("5"),
        QStringLiteral("--script-security"), QStringLiteral("2"),
        QStringLiteral("--up"), quoted(paths::OPENVPN_UPSCRIPT_FILE),
        QStringLiteral("--down"), quoted(paths::OPENVPN_DOWNSCRIPT_FILE),
        QStringLiteral("--ca"), paths::OPENVPN_CERT_FILE,
        QStringLiteral("--writepid"), childPath(pidFd),
        QStringLiteral("--log"), childPath(logFd),
        QStringLiteral("--management"), QLatin1String(ovpnManagementAddr), QString::number(ovpnManagementPort),
        QStringLiteral("--management-query-passwords"),
        QStringLiteral("--auth-nocache"),
        QStringLiteral("--connect-retry"), QStringLiteral("3"),
        QStringLiteral("--connect-retry-max"), QStringLiteral("1"),
        QStringLiteral("--remap-usr1"), QStringLiteral("SIGTERM"),
    };
    if (!isEncrypted)
        args << QStringLiteral("--cipher") << QStringLiteral("none") << QStringLiteral("--auth") << QStringLiteral("none");
    return args;
}

bool exists(const QString& path)
{
    return QFileInfo(path).isSymLink() || QFileInfo::exists(path);
}

void rotateLogs()
{
    const QFileInfo log(paths::OPENVPN_LOG_FILE);
    if (!exists(log.filePath()))
        return;
    // The folder is resolved, the file itself is not: a planted link is moved as a
    // link, never followed to its target's folder.
    const QString prefix = QFileInfo(log.absolutePath()).canonicalFilePath() + QLatin1Char('/') + log.baseName();
    auto rotated = [&](int number) {
        return prefix + QStringLiteral("_%1.log").arg(number, 2, 10, QLatin1Char('0'));
    };
    DataFile::remove(rotated(RotatedLogCount));
    for (int number = RotatedLogCount - 1; number >= 1; --number)
        DataFile::rename(rotated(number), rotated(number + 1));
    DataFile::rename(log.filePath(), rotated(1));
}

// The program every openvpn of ours runs, with links resolved; empty when unknown.
QByteArray programPath()
{
    return QFile::encodeName(QFileInfo(paths::OPENVPN_FILE).canonicalFilePath());
}

bool runsProgram(const QByteArray& procEntry, const QByteArray& program)
{
    char target[PATH_MAX];
    const QByteArray exe = "/proc/" + procEntry + "/exe";
    const ssize_t length = ::readlink(exe.constData(), target, sizeof target);
    return length > 0 && QByteArray(target, int(length)) == program;
}

// Whether any process runs the openvpn program, judged by what each one executes
// rather than by what its command line says.
bool openvpnIsRunning()
{
    const QByteArray program = programPath();
    if (program.isEmpty())
        return false;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isPid = false;
        entry.toUInt(&isPid, 10);
        if (isPid && runsProgram(entry.toLatin1(), program))
            return true;
    }
    return false;
}

int get_pid()
{
    QByteArray content;
    if (DataFile::readAll(paths::OPENVPN_PID_FILE, content, 64)) {
        const QList<QByteArray> words = content.simplified().split(' ');
        bool ok = false;
        const uint pid = words.first().toUInt(&ok, 10);
        if (ok && pid > 0 && pid <= INT_MAX && runsProgram(QByteArray::number(pid), programPath()))
            return int(pid);
    }
    return openvpnIsRunning() ? -1 : 0;
}

} // namespace

int start(const QString& host, bool isEncrypted)
{
    qDebug() << "openvpn_manager::start(" << host << ", isEncrypted:" << isEncrypted << ")";
    if (!isAcceptableHost(host)) {
        qWarning() << "openvpn_manager: host refused, it cannot go on the command line:" << host;
        return 1;
    }
    if (get_pid() != 0) {
        qDebug() << "openvpn_manager: openvpn.exe already running";
        return 2;
    }

    rotateLogs();
    const int pidFd = DataFile::createForChild(paths::OPENVPN_PID_FILE);
    const int logFd = DataFile::createForChild(paths::OPENVPN_LOG_FILE);
    if (pidFd >= 0 && logFd >= 0) {
        const QStringList args = arguments(host, isEncrypted, pidFd, logFd);
        qDebug() << "Running openvpn:" << args;
        execute_manager::execute_nowait(paths::OPENVPN_FILE, args);
    } else {
        qWarning() << "openvpn_manager: cannot create the pid and log files in" << paths::DATA_DIR.path();
    }
    for (const int fd : {pidFd, logFd}) {
        if (fd >= 0)
            ::close(fd);
    }

    for (int check = 0; check < StartChecks; ++check) {
        localWait(StartCheckIntervalMs, QEventLoop::ExcludeSocketNotifiers);
        if (openvpnIsRunning()) {
            qDebug() << "openvpn_manager: openvpn.exe started successfully.";
            return 0;
        }
    }
    localWait(StartCheckIntervalMs, QEventLoop::ExcludeSocketNotifiers);
    qDebug() << "openvpn_manager: openvpn.exe startup error.";
    return 1;
}

bool isRunning()
{
    return get_pid() != 0;
}

bool terminate()
{
    const int pid = get_pid();
    return pid > 0 && ::kill(pid, SIGTERM) == 0;
}

void retirePidFile()
{
    DataFile::remove(paths::OPENVPN_LAST_PID_FILE);
    DataFile::rename(paths::OPENVPN_PID_FILE, paths::OPENVPN_LAST_PID_FILE);
}

} // namespace openvpn_manager
