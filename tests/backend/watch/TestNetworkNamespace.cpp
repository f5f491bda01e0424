#include "TestNetworkNamespace.h"

#include <QProcess>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

bool fail(const char* step)
{
    std::fprintf(stderr, "cannot set up the test namespace: %s: %s\n", step, std::strerror(errno));
    return false;
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

} // namespace

namespace TestNetworkNamespace {

bool enter()
{
    if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0)
        return fail("unshare");
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return fail("private mounts");
    if (mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0)
        return fail("sysfs");
    return privateFile("/etc/resolv.conf", {}) && runIp({"link", "set", "lo", "up"}, {});
}

bool privateFile(const char* path, const QByteArray& content)
{
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

bool waitUntilRouteMonitorHears(QSignalSpy& heard)
{
    for (int attempt = 0; heard.isEmpty() && attempt < 50; ++attempt) {
        if (!ip(QStringLiteral("route replace default via 10.%1.0.1 table 100").arg(attempt % 2 + 1)))
            return false;
        heard.wait(100);
    }
    return !heard.isEmpty();
}

} // namespace TestNetworkNamespace
