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
#include <sys/stat.h>
#include <sys/syscall.h>
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

void rotateLogs()
{
    if (!DataFile::exists(QLatin1String(paths::OpenvpnLogName)))
        return;
    // A planted link is moved as a link, never followed to its target's folder.
    auto rotated = [](int number) { return QStringLiteral("openvpn_%1.log").arg(number, 2, 10, QLatin1Char('0')); };
    DataFile::remove(rotated(RotatedLogCount));
    for (int number = RotatedLogCount - 1; number >= 1; --number)
        DataFile::rename(rotated(number), rotated(number + 1));
    DataFile::rename(QLatin1String(paths::OpenvpnLogName), rotated(1));
}

// The program every openvpn of ours runs, with links resolved; empty when unknown.
QByteArray programPath()
{
    return QFile::encodeName(QFileInfo(paths::OPENVPN_FILE).canonicalFilePath());
}

bool runsProgram(const QByteArray& procEntry, const QByteArray& program)
{
    char target[PATH_MAX];
    const QByteArray exe = procEntry + "/exe";
    const ssize_t length = ::readlink(exe.constData(), target, sizeof target);
    return length > 0 && QByteArray(target, int(length)) == program;
}

bool sameNamespace(const QByteArray& procEntry, const char* kind)
{
    struct stat theirs = {};
    struct stat own = {};
    return ::stat((procEntry + "/ns/" + kind).constData(), &theirs) == 0
        && ::stat((QByteArray("/proc/self/ns/") + kind).constData(), &own) == 0
        && theirs.st_dev == own.st_dev && theirs.st_ino == own.st_ino;
}

bool carriesOurManagement(const QByteArray& procEntry)
{
    QFile file(QFile::decodeName(procEntry + "/cmdline"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    const QList<QByteArray> args = file.read(64 * 1024).split('\0');
    const QByteArray port = QByteArray::number(ovpnManagementPort);
    for (int i = 0; i + 2 < args.size(); ++i) {
        if (args.at(i) == "--management" && args.at(i + 1) == ovpnManagementAddr && args.at(i + 2) == port)
            return true;
    }
    return false;
}

// Ours is an openvpn of our program that listens for us on the management endpoint
// we reach: another openvpn on this machine (a system service, the network manager's,
// one in another network namespace) runs the same program, and a pid in the user's
// data folder can name any process at all.
bool isOurs(pid_t pid, const QByteArray& program)
{
    if (pid <= 0 || program.isEmpty())
        return false;
    const QByteArray procEntry = "/proc/" + QByteArray::number(pid);
    return runsProgram(procEntry, program) && sameNamespace(procEntry, "net") && carriesOurManagement(procEntry);
}

// Whether any openvpn of ours runs, whatever the pid file says.
bool openvpnIsRunning()
{
    const QByteArray program = programPath();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isPid = false;
        const uint pid = entry.toUInt(&isPid, 10);
        if (isPid && pid <= INT_MAX && isOurs(pid_t(pid), program))
            return true;
    }
    return false;
}

int get_pid()
{
    QByteArray content;
    if (DataFile::readAll(QLatin1String(paths::OpenvpnPidName), content, 64)) {
        const QList<QByteArray> words = content.simplified().split(' ');
        bool ok = false;
        const uint pid = words.first().toUInt(&ok, 10);
        if (ok && pid > 0 && pid <= INT_MAX && isOurs(pid_t(pid), programPath()))
            return int(pid);
    }
    return openvpnIsRunning() ? -1 : 0;
}

// The check and the signal meet the same process: a pid freed and taken again in
// between leaves the descriptor naming the process that ended.
bool terminateIfOurs(pid_t pid)
{
    // The C library's own wrappers are not declared for C++ here.
    const int process = int(::syscall(SYS_pidfd_open, pid, 0));
    if (process < 0)
        return false;
    const bool sent = isOurs(pid, programPath()) && ::syscall(SYS_pidfd_send_signal, process, SIGTERM, nullptr, 0) == 0;
    ::close(process);
    return sent;
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
    const int pidFd = DataFile::createForChild(QLatin1String(paths::OpenvpnPidName));
    const int logFd = DataFile::createForChild(QLatin1String(paths::OpenvpnLogName));
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
    return pid > 0 && terminateIfOurs(pid);
}

void retirePidFile()
{
    DataFile::remove(QLatin1String(paths::OpenvpnLastPidName));
    DataFile::rename(QLatin1String(paths::OpenvpnPidName), QLatin1String(paths::OpenvpnLastPidName));
}

} // namespace openvpn_manager
