#include "FakeLogind.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QMutex>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

const QString Service = QStringLiteral("org.freedesktop.login1");
const QString Path = QStringLiteral("/org/freedesktop/login1");
const QString Manager = QStringLiteral("org.freedesktop.login1.Manager");

} // namespace

// Hands out each lock as the writing end of a pipe and keeps the reading end:
// once every copy of the writing end is closed, the reading end reports it.
class LogindManager : public QDBusVirtualObject
{
public:
    ~LogindManager() override
    {
        for (const Lock& lock : qAsConst(locks))
            ::close(lock.readEnd);
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != Manager || message.member() != QLatin1String("Inhibit")) {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
            return true;
        }
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            connection.send(message.createErrorReply(QDBusError::Failed, QStringLiteral("no pipe")));
            return true;
        }
        QStringList arguments;
        for (const QVariant& argument : message.arguments())
            arguments << argument.toString();
        {
            QMutexLocker lock(&mutex);
            locks.append({arguments, ends[0]});
        }
        // The descriptor dups the end; the message's copies close with it.
        const QDBusUnixFileDescriptor lockEnd(ends[1]);
        ::close(ends[1]);
        connection.send(message.createReply(QVariant::fromValue(lockEnd)));
        return true;
    }

    struct Lock
    {
        QStringList arguments;
        int readEnd;
    };

    mutable QMutex mutex;
    QList<Lock> locks;
};

FakeLogind::FakeLogind(const QString& busAddress)
    : m_manager(new LogindManager)
    , m_host(busAddress, Service, Path, std::unique_ptr<QDBusVirtualObject>(m_manager))
{
}

FakeLogind::~FakeLogind() = default;

bool FakeLogind::prepareForSleep(bool start) const
{
    QDBusMessage signal = QDBusMessage::createSignal(Path, Manager, QStringLiteral("PrepareForSleep"));
    signal << start;
    return m_host.connection().send(signal);
}

QList<QStringList> FakeLogind::inhibitCalls() const
{
    QMutexLocker lock(&m_manager->mutex);
    QList<QStringList> calls;
    for (const LogindManager::Lock& held : qAsConst(m_manager->locks))
        calls << held.arguments;
    return calls;
}

bool FakeLogind::isHeld(int index) const
{
    QMutexLocker lock(&m_manager->mutex);
    if (index < 0 || index >= m_manager->locks.size())
        return false;
    pollfd end{m_manager->locks.at(index).readEnd, POLLIN, 0};
    return ::poll(&end, 1, 0) == 0;
}
