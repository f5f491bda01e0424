#include "VpnMgmt.h"

#include "LocalWait.h"
#include "ManagementSocket.h"

#include <LocalSocketOwner.h>

#include <QDebug>
#include <QTcpSocket>

#include <algorithm>
#include <arpa/inet.h>
#include <poll.h>

namespace {

constexpr int ReconnectIntervalMs = 1000;
constexpr int ReconnectAttempts = 5;
constexpr int InfoToStateDelayMs = 1000;
constexpr int AuthAcceptTimeoutMs = 2000;

const QLatin1String NeedAuth("Need 'Auth' username/password");
const QLatin1String AuthAccepted("SUCCESS: 'Auth' password entered");

// The management interface splits a command at blanks and reads double quotes and
// backslashes as its own syntax; a value holding them travels quoted and escaped.
QString managementQuoted(QString value)
{
    const bool needsQuotes = value.isEmpty() || value.contains(QLatin1Char('"')) || value.contains(QLatin1Char('\\'))
        || std::any_of(value.cbegin(), value.cend(), [](QChar c) { return c.isSpace(); });
    if (!needsQuotes)
        return value;
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + value + QLatin1Char('"');
}

// A command is one line: a line break or NUL inside a value would end it early and
// let the rest of the value act as a command of its own.
bool fitsOnOneLine(const QString& value)
{
    return !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')) && !value.contains(QChar(0));
}

bool isIPv4Address(const QString& text)
{
    in_addr address;
    return ::inet_pton(AF_INET, text.toLatin1().constData(), &address) == 1;
}

bool isTimeStamp(const QString& field)
{
    return std::all_of(field.cbegin(), field.cend(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

} // namespace

VpnMgmt::VpnMgmt(QObject* parent)
    : QObject(parent)
    , reconnectTimer(new QTimer(this))
{
    qRegisterMetaType<VpnState>("VpnState");
    qRegisterMetaType<VpnStatistic>("VpnStatistic");
    reconnectTimer->setInterval(ReconnectIntervalMs);
    reconnectTimer->setSingleShot(true);
    authAcceptTimer.setSingleShot(true);
    connect(reconnectTimer, &QTimer::timeout, this, &VpnMgmt::onReconnect);
    connect(&authAcceptTimer, &QTimer::timeout, this, &VpnMgmt::onVpnAuthAcceptTimeout);
}

void VpnMgmt::start(const QString& host, quint16 port)
{
    this->host = host;
    this->port = port;
    waitingForInfo = true;
    passwordRequestPending = false;
    reconnectCounter = ReconnectAttempts;
    reconnectTimer->stop();
    onReconnect();
}

void VpnMgmt::stop()
{
    // A stopped client must not come back through a pending retry, nor hand the
    // credentials unasked to the next process's management connection.
    reconnectTimer->stop();
    authAcceptTimer.stop();
    ManagementSocket::discard(socket, this);
    waitingForInfo = false;
    passwordRequestPending = false;
}

void VpnMgmt::readPending()
{
    if (!socket || socket->state() != QAbstractSocket::ConnectedState)
        return;
    // A wait that finds nothing counts as a socket error for Qt, and that error would
    // read as a failed connection to openvpn: the kernel is asked first.
    pollfd pending{int(socket->socketDescriptor()), POLLIN, 0};
    if (::poll(&pending, 1, 0) == 1)
        socket->waitForReadyRead(0);
    onSocketReadyRead();
}

void VpnMgmt::setAuth(const QString& user, QString password)
{
    this->user = user;
    this->password = password;
    if (passwordRequestPending && socket) {
        passwordRequestPending = false;
        sendCredentials();
    }
}

void VpnMgmt::vpnStop()
{
    if (socket && socket->isValid()) {
        socket->write("signal SIGTERM\n");
        socket->flush();
    }
    reconnectCounter = 0;
}

bool VpnMgmt::waitForProcessToClose(int ms)
{
    if (!socket || socket->state() != QAbstractSocket::ConnectedState)
        return false;
    socket->disconnect(this);
    return socket->waitForDisconnected(ms);
}

void VpnMgmt::getVpnStatistics()
{
    if (socket && socket->isValid())
        socket->write("status\n");
}

bool VpnMgmt::sendCredentials()
{
    if (!fitsOnOneLine(user) || !fitsOnOneLine(password)) {
        qWarning() << "VpnMgmt: username or password holds a line break or NUL, not sent; stopping openvpn";
        vpnStop();
        stop();
        emit vpnState(VpnState::AuthFailure);
        return false;
    }
    const QString command = QStringLiteral("username Auth %1\npassword Auth %2\n")
                                .arg(managementQuoted(user), managementQuoted(password));
    socket->write(command.toLatin1());
    socket->flush();
    return true;
}

void VpnMgmt::onReconnect()
{
    qDebug() << "VpnMgmt: socket: connecting";
    ManagementSocket::discard(socket, this);
    socket = new QTcpSocket(this);
    connect(socket, &QAbstractSocket::errorOccurred, this, &VpnMgmt::onSocketError);
    // Lines are read from a queued call, never from inside the socket's own signal:
    // the pause after INFO runs a nested event loop in which the socket may be
    // dropped and deleted.
    connect(socket, &QIODevice::readyRead, this, &VpnMgmt::onSocketReadyRead, Qt::QueuedConnection);
    connect(socket, &QAbstractSocket::connected, this, &VpnMgmt::onSocketConnected);
    socket->connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
}

void VpnMgmt::onSocketConnected()
{
    qDebug() << "VpnMgmt: socket: connected.";
    inStatistics = false;
    reconnectCounter = 0;
    statisticsBuffer.clear();
    // Anyone may listen on the management port before openvpn does; only root's
    // openvpn is told the credentials or believed about the tunnel.
    if (LocalSocketOwner::peerUid(*socket) != uid_t(0)) {
        qWarning() << "VpnMgmt: management port is not served by root, connection dropped";
        ManagementSocket::discard(socket, this);
        emit connectionToVpnProcessFailed();
    }
}

void VpnMgmt::onSocketError(QAbstractSocket::SocketError socketError)
{
    qDebug() << "VpnMgmt: socket error:" << socketError;
    if (reconnectCounter > 0) {
        qDebug() << "VpnMgmt: VPN re-connection: reconnection after sockect fail. reconnect counter ="
                 << reconnectCounter;
        --reconnectCounter;
        reconnectTimer->start();
        return;
    }
    if (socketError != QAbstractSocket::RemoteHostClosedError)
        emit connectionToVpnProcessFailed();
}

void VpnMgmt::onSocketReadyRead()
{
    if (pausedAfterInfo)
        return;
    // Any signal may lead the owner to stop or restart this client, so the socket
    // is looked at afresh for every line.
    while (socket && socket->canReadLine()) {
        QByteArray raw = socket->readLine().trimmed();
        const int nul = raw.indexOf('\0');
        if (nul >= 0)
            raw.truncate(nul);
        const QString line = QString::fromLatin1(raw);
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('>'))) {
            if (!processNotification(line))
                return;
        } else {
            processAnswer(line);
        }
    }
}

bool VpnMgmt::processNotification(const QString& line)
{
    qDebug().noquote() << "VPN message:" << line;
    const int colon = line.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        qWarning().noquote() << "VpnMgmt: Incorrect vpn RT message:" << line;
        return true;
    }
    const QStringRef type = line.midRef(1, colon - 1);
    const QString rest = line.mid(colon + 1);
    if (type == QLatin1String("INFO")) {
        if (waitingForInfo) {
            waitingForInfo = false;
            pausedAfterInfo = true;
            localWait(InfoToStateDelayMs, QEventLoop::ExcludeSocketNotifiers);
            pausedAfterInfo = false;
            if (socket) {
                socket->write("state on 1\n");
                socket->flush();
            }
            // The rest of the buffered lines is read after the events that queued up.
            QMetaObject::invokeMethod(this, &VpnMgmt::onSocketReadyRead, Qt::QueuedConnection);
            return false;
        }
    } else if (type == QLatin1String("PASSWORD")) {
        processPasswordNotification(rest);
    } else if (type == QLatin1String("STATE")) {
        processStateMessage(rest);
    } else if (type == QLatin1String("UPDOWN")) {
        processUpDownNotification(rest);
    } else if (type == QLatin1String("FATAL")) {
        qCritical().noquote() << "OpenVPN FATAL:" << rest;
        emit vpnState(VpnState::Fatal);
    }
    return true;
}

void VpnMgmt::processPasswordNotification(const QString& text)
{
    if (text == NeedAuth) {
        if (user.isNull() || password.isNull()) {
            qDebug() << "VpnMgmt: Cannot set username/password: dont have yet";
            passwordRequestPending = true;
        } else if (sendCredentials()) {
            authAcceptTimer.start(AuthAcceptTimeoutMs);
        }
    } else if (text.startsWith(QLatin1String("Verification Failed"))) {
        emit vpnState(VpnState::ConnectionReset);
    }
}

void VpnMgmt::processUpDownNotification(const QString& text)
{
    const QString kind = text.section(QLatin1Char(','), 0, 0);
    if (kind == QLatin1String("UP")) {
        tunnelIsDown = 0;
    } else if (kind == QLatin1String("DOWN")) {
        user = QString();
        password = QString();
        tunnelIsDown = 1;
        emit tunnelDown();
    } else if (kind == QLatin1String("ENV") && !tunnelIsDown) {
        const QString variable = text.section(QLatin1Char(','), 1, 1);
        if (variable.section(QLatin1Char('='), 0, 0) != QLatin1String("route_vpn_gateway"))
            return;
        const QString gateway = variable.section(QLatin1Char('='), 1);
        if (isIPv4Address(gateway))
            emit tunnelUp(gateway);
        else
            qWarning() << "VpnMgmt: route_vpn_gateway is not an IPv4 address:" << gateway;
    }
}

void VpnMgmt::processAnswer(const QString& line)
{
    if (!inStatistics && line.contains(QLatin1Char(','))) {
        qDebug().noquote() << "VPN state:" << line;
        if (line.startsWith(AuthAccepted))
            authAcceptTimer.stop();
        else if (isTimeStamp(line.section(QLatin1Char(','), 0, 0)))
            processStateMessage(line);
    } else if (line == QLatin1String("OpenVPN STATISTICS")) {
        inStatistics = true;
        statisticsBuffer.clear();
    } else if (inStatistics) {
        if (line == QLatin1String("END")) {
            inStatistics = false;
            processStatisticsMessage(statisticsBuffer);
        } else {
            statisticsBuffer += line + QLatin1Char('\n');
        }
    }
}

void VpnMgmt::processStateMessage(const QString& text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() < 4) {
        qWarning().noquote() << "VpnMgmt: Unexpected vpn state parameter count in:" << text;
        return;
    }
    const QString& state = fields.at(1);
    const QString& detail = fields.at(2);
    static const QStringList connectingStates{
        QStringLiteral("TCP_CONNECT"), QStringLiteral("WAIT"),         QStringLiteral("AUTH"),
        QStringLiteral("GET_CONFIG"),  QStringLiteral("ASSIGN_IP"),    QStringLiteral("RECONNECTING"),
        QStringLiteral("ADD_ROUTES"),  QStringLiteral("CONNECTING"),
    };
    if (state == QLatin1String("CONNECTED")) {
        emit vpnState(detail == QLatin1String("SUCCESS") ? VpnState::Connected : VpnState::ConnectedWithError);
    } else if (connectingStates.contains(state)) {
        emit vpnState(VpnState::Connecting);
    } else if (state == QLatin1String("EXITING")) {
        if (detail == QLatin1String("SIGTERM") || detail == QLatin1String("exit-with-notification")) {
            emit vpnState(VpnState::Exited);
        } else if (detail == QLatin1String("connection-reset")) {
            emit vpnState(VpnState::ConnectionReset);
        } else if (detail == QLatin1String("init_instance") || detail == QLatin1String("connection-failed")) {
            // The openvpn we ship reports a server it gave up on after its retries
            // as "connection-failed"; like a failed start, it means this server is out.
            reconnectCounter = 0;
            emit vpnState(VpnState::Fatal);
        } else {
            emit vpnUnexpectedShutDown();
        }
    } else {
        qDebug() << "VpnMgmt: Vpn state isn't processed";
    }
}

void VpnMgmt::processStatisticsMessage(const QString& block)
{
    VpnStatistic stats;
    const QStringList lines = block.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const quint64 value = line.section(QLatin1Char(','), 1, 1).toULongLong();
        if (line.contains(QLatin1String("TCP/UDP read bytes")))
            stats.readBytes = value;
        if (line.contains(QLatin1String("TCP/UDP write bytes")))
            stats.writeBytes = value;
    }
    emit vpnStatisticsReceived(stats);
}

void VpnMgmt::onVpnAuthAcceptTimeout()
{
    qDebug() << "VpnMgmt: OpenVPN process haven't received vpn username or password - trying again";
    if (socket && socket->isWritable())
        sendCredentials();
}
