#include "PrivateNamespaces.h"

#include <QMap>
#include <QProcess>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool sysMounted = false;
// The machine's files behind private copies: an open descriptor and the content
// each held when its copy was mounted.
QMap<QByteArray, QPair<int, QByteArray>> machineFiles;

bool fail(const char* step)
{
    std::fprintf(stderr, "cannot set up the test namespaces: %s: %s\n", step, std::strerror(errno));
    return false;
}

QByteArray readAll(int fd)
{
    QByteArray content;
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, offset);
        if (n <= 0)
            return content;
        content.append(buffer, int(n));
        offset += n;
    }
}

bool runIp(const QStringList& arguments, const QByteArray& input, QByteArray* output = nullptr)
{
    QProcess tool;
    tool.start(QStringLiteral("/usr/sbin/ip"), arguments);
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(5000)) {
        tool.kill();
        tool.waitForFinished();
        return false;
    }
    if (output)
        *output = tool.readAllStandardOutput();
    const QByteArray complaint = tool.readAllStandardError();
    if (!complaint.isEmpty())
        std::fprintf(stderr, "ip %s: %s", qPrintable(arguments.join(' ')), complaint.constData());
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

// Waits for `child`, reaping every other process that ends meanwhile, and passes
// its exit status on.
[[noreturn]] void exitWith(pid_t child)
{
    int status = 0;
    for (pid_t ended = 0; ended != child;) {
        ended = waitpid(-1, &status, 0);
        if (ended < 0 && errno != EINTR)
            _exit(1);
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
}

// The caller goes on in a new child, which ends when the caller does.
bool continueInChild()
{
    const pid_t child = fork();
    if (child < 0)
        return fail("fork");
    if (child > 0)
        exitWith(child);
    return prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 || fail("parent death signal");
}

} // namespace

namespace PrivateNamespaces {

Options& Options::withFile(const QByteArray& path, const QByteArray& content)
{
    for (File& file : files) {
        if (file.path == path) {
            file.content = content;
            return *this;
        }
    }
    files.append({path, content});
    return *this;
}

bool enter(const Options& options)
{
    // With processes of its own, the first child is the new pid namespace's
    // init, which reaps what the test leaves; the test runs in its child.
    if (unshare(CLONE_NEWNS | (options.ownProcesses ? CLONE_NEWPID : 0)) != 0)
        return fail("unshare");
    if (options.ownProcesses && !continueInChild())
        return false;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return fail("private mounts");
    if (options.ownProcesses && mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0)
        return fail("proc");
    for (const Options::File& file : options.files) {
        if (!privateFile(file.path.constData(), file.content))
            return false;
    }
    return (!options.ownProcesses || continueInChild()) && renewNetwork();
}

bool renewNetwork()
{
    if (unshare(CLONE_NEWNET) != 0)
        return fail("private network");
    // sysfs shows the network namespace of whoever mounts it.
    if (sysMounted)
        umount2("/sys", MNT_DETACH);
    if (mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0)
        return fail("sysfs");
    sysMounted = true;
    return runIp({"link", "set", "lo", "up"}, {});
}

bool privateFile(const char* path, const QByteArray& content)
{
    if (!machineFiles.contains(path)) {
        const int original = open(path, O_RDONLY | O_CLOEXEC);
        if (original < 0)
            return fail(path);
        machineFiles.insert(path, {original, readAll(original)});
    }
    char copy[] = "/tmp/ozm-test-file-XXXXXX";
    const int fd = mkstemp(copy);
    if (fd < 0)
        return fail("private file");
    const bool written = write(fd, content.constData(), size_t(content.size())) == content.size();
    close(fd);
    // The mount keeps the copy alive; its name is not needed any more.
    const bool bound = written && mount(copy, path, nullptr, MS_BIND, nullptr) == 0;
    unlink(copy);
    return bound || fail(path);
}

bool machineFileUnchanged(const char* path)
{
    const auto file = machineFiles.constFind(path);
    return file != machineFiles.constEnd() && readAll(file->first) == file->second;
}

bool ip(const QString& arguments)
{
    return runIp(arguments.split(' ', Qt::SkipEmptyParts), {});
}

bool ipBatch(const QStringList& commands)
{
    return runIp({"-batch", "-"}, commands.join('\n').toLatin1() + '\n');
}

QStringList defaultRoutes()
{
    QByteArray output;
    runIp({"-4", "route", "show", "default"}, {}, &output);
    QStringList lines;
    for (const QString& line : QString::fromLatin1(output).split('\n', Qt::SkipEmptyParts))
        lines << line.trimmed();
    return lines;
}

} // namespace PrivateNamespaces
