#include "DataFile.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Set at the handshake, read by the monitor thread as well.
std::atomic<int> folderFd{-1};

class FdGuard
{
public:
    explicit FdGuard(int fd) : fd(fd) {}
    ~FdGuard() { if (fd >= 0) ::close(fd); }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    const int fd;
};

QByteArray encoded(const QString& name)
{
    return QFile::encodeName(name);
}

// Not blocking keeps a planted FIFO or device from stalling the backend.
int openRegular(const QString& name, struct stat& info)
{
    const int fd = ::openat(folderFd, encoded(name).constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Reads up to size bytes from offset; fewer when the file ends first.
QByteArray readAt(int fd, qint64 offset, qint64 size)
{
    QByteArray bytes(int(size), Qt::Uninitialized);
    int filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::pread(fd, bytes.data() + filled, size_t(bytes.size() - filled), offset + filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += int(got);
    }
    bytes.truncate(filled);
    return bytes;
}

} // namespace

bool DataFile::openFolder(const QString& path)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int previous = folderFd.exchange(fd);
    if (previous >= 0)
        ::close(previous);
    return fd >= 0;
}

bool DataFile::folderStatus(struct stat& status)
{
    const int fd = folderFd;
    return fd >= 0 && ::fstat(fd, &status) == 0;
}

bool DataFile::exists(const QString& name)
{
    struct stat info;
    return ::fstatat(folderFd, encoded(name).constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool DataFile::readAll(const QString& name, QByteArray& content, qint64 maxSize)
{
    content.clear();
    struct stat info;
    const FdGuard file(openRegular(name, info));
    if (file.fd < 0)
        return false;
    char buffer[4096];
    while (maxSize < 0 || content.size() < maxSize) {
        qint64 want = sizeof buffer;
        if (maxSize >= 0)
            want = qMin(want, maxSize - content.size());
        const ssize_t got = ::read(file.fd, buffer, size_t(want));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            content.clear();
            return false;
        }
        if (got == 0)
            break;
        content.append(buffer, int(got));
    }
    return true;
}

QByteArray DataFile::readTail(const QString& name, qint64 maxSize)
{
    struct stat info;
    const FdGuard file(openRegular(name, info));
    if (file.fd < 0 || info.st_nlink != 1)
        return {};
    const qint64 start = qMax<qint64>(0, info.st_size - maxSize);
    return readAt(file.fd, start, info.st_size - start);
}

int DataFile::createForChild(const QString& name)
{
    remove(name);
    // No O_CLOEXEC: the descriptor is meant to outlive the exec of the child.
    return ::openat(folderFd, encoded(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
}

bool DataFile::rename(const QString& from, const QString& to)
{
    const int fd = folderFd;
    return ::renameat(fd, encoded(from).constData(), fd, encoded(to).constData()) == 0;
}

bool DataFile::remove(const QString& name)
{
    return ::unlinkat(folderFd, encoded(name).constData(), 0) == 0;
}
