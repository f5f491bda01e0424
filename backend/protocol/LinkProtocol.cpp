#include "LinkProtocol.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LinkProtocol {

namespace {

class FdGuard
{
public:
    explicit FdGuard(int fd) : fd(fd) {}
    ~FdGuard() { if (fd >= 0) ::close(fd); }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    const int fd;
};

// Opening without following links and without blocking keeps a planted symlink,
// FIFO or device from leaking another file or stalling the backend; a second hard
// link would mean the name points at someone else's file.
QByteArray readOwnLogTail(const QString& path)
{
    const FdGuard file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1)
        return {};
    const qint64 start = qMax<qint64>(0, info.st_size - MaxReportedLogBytes);
    QByteArray tail(int(info.st_size - start), Qt::Uninitialized);
    int filled = 0;
    while (filled < tail.size()) {
        const ssize_t got = ::pread(file.fd, tail.data() + filled, size_t(tail.size() - filled), start + filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += int(got);
    }
    tail.truncate(filled);
    return tail;
}

} // namespace

const QStringList& requestNames()
{
    static const QStringList names = {
        Request::ActivateWifiAdapter, Request::VpnActivate,      Request::VpnActivateOnInternetExisted,
        Request::VpnReactivate,       Request::ResetReconnectionLogic, Request::GetNextReconnectionServer,
        Request::OnVpnAuthFailedAnswer, Request::SetServersList, Request::InitialActivationState,
        Request::SetCurrentCluster,   Request::VpnDeactivate,    Request::UpdateVpnStatistics,
    };
    return names;
}

const QStringList& eventNames()
{
    static const QStringList names = {
        Event::LocalConnectionIsChanged, Event::ActivationStateChanged,   Event::RequestVpnActivation,
        Event::RequestVpnActivationOnInternetRestore, Event::VpnActivationFailed, Event::VpnForcedActivationFailed,
        Event::VpnConnectionEpicFail,    Event::AuthenticationFailed,     Event::ConnectiontoVpnProcessFailed,
        Event::VpnAuthFailed,            Event::ActivatingServerChanged,  Event::VpnStatisticsUpdated,
        Event::RestoreSavedClusterAndServer,
    };
    return names;
}

bool isEventName(const QString& line)
{
    return eventNames().contains(line);
}

QString joinList(const QStringList& records)
{
    return records.join(QLatin1String(ListSeparator));
}

QStringList splitList(const QString& text)
{
    return text.split(QLatin1String(ListSeparator), Qt::SkipEmptyParts);
}

QString errorReport(const QString& host, const QString& logPath)
{
    return host + QLatin1String(ErrorReportMarker) + QString::fromLatin1(readOwnLogTail(logPath).toBase64());
}

} // namespace LinkProtocol
