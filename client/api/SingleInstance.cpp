#include "SingleInstance.h"

#include <AppConstants.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QtEndian>

namespace {
constexpr char Acknowledgement = '\x06';
constexpr int HeaderBytes = sizeof(quint32);

QString privateFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QLatin1Char('/') + gApplicationName;
    // The data folder, found without the application name, which is not set yet.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/')
           + gApplicationName;
}

// Sockets in the folder must not be reachable by anyone else, whatever the mask.
void makePrivate(const QString& path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

int remaining(const QDeadlineTimer& deadline)
{
    return int(qMax<qint64>(0, deadline.remainingTime()));
}
} // namespace

SingleInstance::SingleInstance(const QString& id, QObject* parent)
    : QObject(parent)
    , socketPath(folder() + QLatin1Char('/') + id + QLatin1String(".socket"))
    , lock(folder() + QLatin1Char('/') + id + QLatin1String(".lock"))
{
    // Held as long as the process lives: only a dead owner makes a lock stale.
    lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (server)
        server->close();
}

QString SingleInstance::folder()
{
    return privateFolder();
}

bool SingleInstance::isRunning()
{
    if (server)
        return false;
    makePrivate(folder());
    if (!lock.tryLock(0))
        return true;
    // The lock is ours, so any socket by that name is a dead instance's.
    QLocalServer::removeServer(socketPath);
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath))
        qWarning("SingleInstance: cannot listen on %s: %s", qUtf8Printable(socketPath),
                 qUtf8Printable(server->errorString()));
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    return false;
}

bool SingleInstance::sendMessage(const QString& message, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(remaining(deadline)))
        return false;
    const QByteArray text = message.toUtf8();
    QByteArray frame(HeaderBytes, Qt::Uninitialized);
    qToBigEndian(quint32(text.size()), frame.data());
    socket.write(frame + text);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(remaining(deadline)))
            return false;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(remaining(deadline)))
            return false;
    return socket.read(1) == QByteArray(1, Acknowledgement);
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        readMessage(socket);
    }
}

// A message may come in pieces; it is taken once whole, answered, and the
// connection is then left for the sender to close.
void SingleInstance::readMessage(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < HeaderBytes)
        return;
    const quint32 size = qFromBigEndian<quint32>(socket->peek(HeaderBytes).constData());
    if (size > MaxMessageBytes) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < HeaderBytes + qint64(size))
        return;
    socket->skip(HeaderBytes);
    const QString message = QString::fromUtf8(socket->read(size));
    socket->write(QByteArray(1, Acknowledgement));
    socket->flush();
    emit messageReceived(message);
}
