#include "VpnProcessKiller.h"

#include "LocalWait.h"
#include "ManagementSocket.h"
#include "openvpn_manager.h"

#include <QDebug>
#include <QPointer>
#include <QTcpSocket>

namespace {

constexpr int CloseBySocketTimeoutMs = 5000;
constexpr int GraceMs = 1000;

} // namespace

VpnProcessKiller::VpnProcessKiller(QObject* parent)
    : QObject(parent)
{
    socketTimer.setSingleShot(true);
    connect(&socketTimer, &QTimer::timeout, this, &VpnProcessKiller::onSocketTimerTimeout);
}

VpnProcessKiller::VpnProcessKiller(bool autoDelete, QObject* parent)
    : VpnProcessKiller(parent)
{
    this->autoDelete = autoDelete;
}

VpnProcessKiller::~VpnProcessKiller()
{
    if (!attempting)
        return;
    qDebug() << "VpnProcessKiller: stop attempt cut short, stopping OpenVPN process by PID";
    openvpn_manager::terminate();
}

void VpnProcessKiller::killOpenVpnProcess(const QString& host, quint16 port)
{
    if (!openvpn_manager::isRunning()) {
        finish(true);
        return;
    }
    attempting = true;
    this->host = host;
    this->port = port;
    qDebug() << "VpnProcessKiller: Trying to close OpenVPN process by socket";
    ManagementSocket::discard(socket, this);
    socket = new QTcpSocket(this);
    connect(socket, &QAbstractSocket::errorOccurred, this, &VpnProcessKiller::onSocketError);
    connect(socket, &QAbstractSocket::connected, this, &VpnProcessKiller::onSocketConnected);
    socket->connectToHost(host, port, QIODevice::ReadWrite);
}

void VpnProcessKiller::onSocketConnected()
{
    socket->write("signal SIGTERM\n");
    socketTimer.start(CloseBySocketTimeoutMs);
}

void VpnProcessKiller::onSocketError(QAbstractSocket::SocketError socket_error)
{
    socketTimer.stop();
    if (socket_error == QAbstractSocket::RemoteHostClosedError) {
        // Whatever runs in the wait may end this killer's owner, and the killer with it.
        const QPointer<VpnProcessKiller> alive(this);
        localWait(GraceMs, QEventLoop::AllEvents);
        if (!alive)
            return;
        if (!openvpn_manager::isRunning()) {
            qDebug() << "VpnProcessKiller: OpenVPN process stoped by socket";
            ManagementSocket::discard(socket, this);
            finish(true);
            return;
        }
    }
    ManagementSocket::discard(socket, this);
    finalCheck();
}

void VpnProcessKiller::onSocketTimerTimeout()
{
    socketTimer.stop();
    ManagementSocket::discard(socket, this);
    finalCheck();
}

void VpnProcessKiller::finalCheck()
{
    qDebug() << "VpnProcessKiller: Trying to kill OpenVPN process by PID";
    const QPointer<VpnProcessKiller> alive(this);
    localWait(GraceMs, QEventLoop::AllEvents);
    if (!alive)
        return;
    if (openvpn_manager::isRunning()) {
        qDebug() << "VpnProcessKiller: cannot stop OpenVPN process";
        finish(false);
        return;
    }
    qDebug() << "VpnProcessKiller: OpenVPN process killed by PID";
    finish(true);
}

void VpnProcessKiller::finish(bool result)
{
    attempting = false;
    if (result)
        openvpn_manager::retirePidFile();
    // A receiver may start the next openvpn and end this killer's owner meanwhile.
    const QPointer<VpnProcessKiller> alive(this);
    emit killAttemptFinish(result);
    if (alive && autoDelete)
        deleteLater();
}
