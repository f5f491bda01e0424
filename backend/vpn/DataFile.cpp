#include "DataFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int openNoFollow(const QString& path, int flags)
{
    return ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
}

bool isRegularFile(int fd)
{
    struct stat info;
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

bool DataFile::readAll(const QString& path, QByteArray& content, qint64 maxSize)
{
    content.clear();
    const int fd = openNoFollow(path, O_RDONLY);
    if (fd < 0)
        return false;
    bool ok = isRegularFile(fd);
    char buffer[4096];
    while (ok && (maxSize < 0 || content.size() < maxSize)) {
        qint64 want = sizeof buffer;
        if (maxSize >= 0)
            want = qMin(want, maxSize - content.size());
        const ssize_t got = ::read(fd, buffer, size_t(want));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        content.append(buffer, int(got));
    }
    ::close(fd);
    if (!ok)
        content.clear();
    return ok;
}

int DataFile::createForChild(const QString& path)
{
    remove(path);
    // No O_CLOEXEC: the descriptor is meant to outlive the exec of the child.
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
}

bool DataFile::rename(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool DataFile::remove(const QString& path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}
