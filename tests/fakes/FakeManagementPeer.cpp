#include "FakeManagementPeer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <linux/sockios.h>
#include <sys/ioctl.h>

FakeManagementPeer::FakeManagementPeer(QObject* parent)
    : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &FakeManagementPeer::onNewConnection);
}

bool FakeManagementPeer::listen(quint16 port, const QHostAddress& address)
{
    return server.listen(address, port);
}

quint16 FakeManagementPeer::port() const
{
    return server.serverPort();
}

bool FakeManagementPeer::isConnected() const
{
    return current && current->state() == QAbstractSocket::ConnectedState;
}

void FakeManagementPeer::onNewConnection()
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QIODevice::readyRead, this, &FakeManagementPeer::onReadyRead);
        current = socket;
        ++connections;
        emit clientConnected();
    }
}

void FakeManagementPeer::onReadyRead()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    while (socket->canReadLine()) {
        QByteArray line = socket->readLine();
        line.chop(1);
        lines.append(line);
        emit lineReceived(line);
    }
}

void FakeManagementPeer::sendLine(const QByteArray& line)
{
    sendLines({line});
}

void FakeManagementPeer::sendLines(const QByteArrayList& linesToSend)
{
    if (!current)
        return;
    for (const QByteArray& line : linesToSend)
        current->write(line + '\n');
    current->flush();
}

// The send queue empties once the receiver has acknowledged every byte; its event
// loop plays no part in that, so the wait blocks without serving events.
bool FakeManagementPeer::waitUntilDelivered(int timeoutMs)
{
    if (!current)
        return false;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        int unacknowledged = 0;
        if (::ioctl(int(current->socketDescriptor()), SIOCOUTQ, &unacknowledged) != 0)
            return false;
        if (unacknowledged == 0 && current->bytesToWrite() == 0)
            return true;
        if (waited.hasExpired(timeoutMs))
            return false;
        QThread::msleep(1);
    }
}

void FakeManagementPeer::closeConnection()
{
    if (current)
        current->disconnectFromHost();
}

bool FakeManagementPeer::waitForConnection(int timeoutMs)
{
    return waitUntil([this] { return isConnected(); }, timeoutMs);
}

bool FakeManagementPeer::waitForLine(const QByteArray& line, int timeoutMs)
{
    return waitUntil([this, line] { return lines.contains(line); }, timeoutMs);
}

bool FakeManagementPeer::waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    auto check = [&] {
        if (done())
            loop.quit();
    };
    const auto onLine = connect(this, &FakeManagementPeer::lineReceived, &loop, check);
    const auto onConnection = connect(this, &FakeManagementPeer::clientConnected, &loop, check);
    timeout.start(timeoutMs);
    loop.exec();
    disconnect(onLine);
    disconnect(onConnection);
    return done();
}
