#include "BackendService.h"

#include "BackendCommands.h"
#include "DataFile.h"
#include "NetworkReport.h"
#include "PrivilegedEnvironment.h"
#include "paths.h"

#include <LinkProtocol.h>
#include <LocalSocketOwner.h>
#include <MessageWriter.h>
#include <NetworkNotifier.h>
#include <RoutingTable.h>
#include <VpnCtl.h>

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int ClientConnectTimeoutMs = 10000;
// Another user may connect in a loop: each refusal costs one lookup and a close,
// and only this many of them a second reach the log, and the client through it.
const int LoggedRefusalsPerSecond = 10;
const int HandshakeReadWaitMs = 30000;
// A handshake line is a keyword, a number or a folder path.
const int MaxHandshakeLineBytes = 4096;
const qint64 LogConnectionReadBufferBytes = 4096;
// Log lines gather for this long and go out together: a client asking in a tight
// loop would otherwise wake twice for every request, once for the reply and once
// for the lines its handling wrote.
const int LogGatheringMs = 10;
// Past this much, gathered lines go out at once.
const int MaxGatheredLogBytes = 32 * 1024;

QPointer<QTcpSocket> log_socket;
QPointer<BackendService> last_backend_instance;
QPointer<VpnCtl> vpn_ctl_inst;
ActivationState last_state = Disconnected;
bool network_init = false;

void ozmBackendDbgMsgHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    BackendService* service = last_backend_instance.data();
    if (!service)
        return;
    const int msgType = int(type);
    QMetaObject::invokeMethod(service, [service, message, msgType] { service->onLog(message, msgType); },
                              Qt::AutoConnection);
}

// openvpn and its scripts run as root from this folder, so it can only be the
// folder this program was installed in, whatever the client claims.
QString ownFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).canonicalPath();
}

bool namesOwnFolder(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return !canonical.isEmpty() && canonical == ownFolder();
}

// Root creates, rotates and reads back files in the data folder, so it must be a
// folder that only the user who started the backend controls. It is opened before
// it is judged, and what is judged is what was opened: the folder held for the
// session, whatever the user does with the path afterwards.
bool opensUsersPrivateFolder(const QString& folder)
{
    struct stat st;
    if (!QDir::isAbsolutePath(folder) || !DataFile::openFolder(folder) || !DataFile::folderStatus(st))
        return false;
    return st.st_uid == PrivilegedEnvironment::callerUid() && !(st.st_mode & (S_IWGRP | S_IWOTH));
}

} // namespace

BackendService::BackendService(QObject* parent)
    : QObject(parent)
    , server(new QTcpServer(this))
    , connectTimer(new QTimer(this))
    , logTimer(new QTimer(this))
    , reader([this](const LinkMessage& request) { requestTable.dispatch(request); })
{
    connectTimer->setSingleShot(true);
    logTimer->setSingleShot(true);
    logTimer->setInterval(LogGatheringMs);
    connect(logTimer, &QTimer::timeout, this, &BackendService::sendHeldLog);
    last_backend_instance = this;
    qInstallMessageHandler(ozmBackendDbgMsgHandler);

    server->setMaxPendingConnections(2);
    connect(server, &QTcpServer::newConnection, this, &BackendService::onClilentConnected, Qt::QueuedConnection);
    connect(connectTimer, &QTimer::timeout, this, &BackendService::onClientConnectTimeout);

    if (!network_init) {
        network_init = true;
        NetworkNotifier::instance()->startLocalConnectionWatching();
        connect(RoutingTable::instance(), &RoutingTable::tableChanged, NetworkNotifier::instance(),
                &NetworkNotifier::emitLocalConnectionIsChanged);
    }
}

BackendService::~BackendService()
{
    closeService();
    qInstallMessageHandler(nullptr);
}

void BackendService::start()
{
    if (server->isListening()) {
        qCritical() << "BackendService: Attempt to start service while it is already running.";
        return;
    }
    if (!server->listen(QHostAddress::LocalHost, LinkProtocol::ServicePort)) {
        qCritical().noquote() << "BackendService: Service start fail:" << server->errorString();
        emit serviceClosed();
        return;
    }
    qDebug().noquote()
        << QStringLiteral("BackendService: Service started: %1:%2").arg(server->serverAddress().toString()).arg(server->serverPort());
    connectTimer->start(ClientConnectTimeoutMs);
}

void BackendService::onClilentConnected()
{
    QTcpSocket* socket = server->nextPendingConnection();
    if (!socket)
        return;
    if (!isFromOwner(socket)) {
        if (mayLogRefusal())
            qCritical() << "BackendService: connection from another user refused.";
        socket->abort();
        socket->deleteLater();
        return;
    }
    if (!log_socket)
        acceptLogConnection(socket);
    else
        acceptControlConnection(socket);
}

// The port is open to every local user; only the user who started the backend
// may drive it.
bool BackendService::isFromOwner(QTcpSocket* socket) const
{
    const auto owner = LocalSocketOwner::peerUid(*socket);
    return owner && *owner == PrivilegedEnvironment::callerUid();
}

bool BackendService::mayLogRefusal()
{
    if (!refusalSecond.isValid() || refusalSecond.hasExpired(1000)) {
        refusalSecond.start();
        refusalsLogged = 0;
    }
    return ++refusalsLogged <= LoggedRefusalsPerSecond;
}

void BackendService::acceptLogConnection(QTcpSocket* socket)
{
    qDebug() << "BackendService: OZM loger connected successfully.";
    log_socket = socket;
    // The client sends nothing here; whatever it sends anyway is never read, so
    // the buffer for it stays small and the sender is held back instead.
    socket->setReadBufferSize(LogConnectionReadBufferBytes);
    connect(socket, &QTcpSocket::disconnected, this, &BackendService::onClientDisconnected);
}

void BackendService::acceptControlConnection(QTcpSocket* socket)
{
    client = socket;
    connectTimer->stop();
    server->close();
    connect(socket, &QTcpSocket::disconnected, this, &BackendService::onClientDisconnected);
    if (initCommunication()) {
        connect(socket, &QTcpSocket::readyRead, this, &BackendService::onClientReadyRead);
        // Requests sent right behind the handshake are buffered already and would
        // not announce themselves again.
        if (socket->bytesAvailable() > 0)
            QMetaObject::invokeMethod(this, &BackendService::onClientReadyRead, Qt::QueuedConnection);
        qDebug() << "BackendService: OZM client connected successfully.";
        RoutingTable::instance()->init();
    } else {
        qCritical() << "BackendService: wrong client connected.";
        socket->disconnectFromHost();
    }
}

bool BackendService::initCommunication()
{
    if (vpn_ctl_inst) {
        vpn_ctl_inst->deleteLater();
        vpn_ctl_inst = nullptr;
    }

    QString line;
    if (!readHandshakeLine(line) || line != QLatin1String(LinkProtocol::SetAppDirKeyword))
        return refuse("wrong application folder keyword");
    if (!readHandshakeLine(line) || !namesOwnFolder(line))
        return refuse("foreign application folder");
    paths::set_app_directory(QDir(ownFolder()));

    if (!readHandshakeLine(line) || line != QLatin1String(LinkProtocol::SetAppDataDirKeyword))
        return refuse("wrong data folder keyword");
    if (!readHandshakeLine(line) || !opensUsersPrivateFolder(line))
        return refuse("data folder not private to the user");
    // The paths name the files in the log; the files themselves are reached
    // through the folder held.
    paths::set_app_data_directory(QDir(QFileInfo(line).canonicalFilePath()));

    sendHandshakeLine(QByteArray::number(LinkProtocol::HandshakeNumber));
    if (!readHandshakeLine(line) || line != QString::number(LinkProtocol::HandshakeNumber))
        return refuse("wrong handshake number");

    sendHandshakeLine(LinkProtocol::HandshakeAccepted);
    startSession();
    return true;
}

// Waits for a whole line as long as the client stays connected, but never buffers
// more than one handshake line's worth of bytes. The client may vanish during the
// wait, closing the service under it.
bool BackendService::readHandshakeLine(QString& line)
{
    while (client && client->state() == QAbstractSocket::ConnectedState && !client->canReadLine()) {
        if (client->bytesAvailable() > MaxHandshakeLineBytes)
            return false;
        client->waitForReadyRead(HandshakeReadWaitMs);
    }
    if (!client)
        return false;
    // readLine(n) returns at most n - 1 bytes: room for one byte past the limit.
    const QByteArray bytes = client->readLine(MaxHandshakeLineBytes + 2);
    if (bytes.size() > MaxHandshakeLineBytes)
        return false;
    line = QString::fromUtf8(bytes.constData(), int(qstrnlen(bytes.constData(), uint(bytes.size())))).trimmed();
    return true;
}

void BackendService::sendHandshakeLine(const QByteArray& line)
{
    if (client && client->isWritable()) {
        client->write(line + '\n');
        client->flush();
    }
}

bool BackendService::refuse(const char* reason)
{
    qCritical().noquote() << "BackendService: handshake refused:" << reason;
    sendHandshakeLine(LinkProtocol::HandshakeRejected);
    return false;
}

void BackendService::startSession()
{
    connect(NetworkNotifier::instance(), &NetworkNotifier::localConnectionIsChanged, this,
            &BackendService::onLocalConnectionIsChanged, Qt::UniqueConnection);

    vpn_ctl_inst = new VpnCtl(this);
    VpnCtl* vpn = vpn_ctl_inst;
    requestTable = sessionCommands(client, vpn_ctl_inst);
    connect(vpn, &VpnCtl::requestActivation, this, &BackendService::onRequestActivation);
    connect(vpn, &VpnCtl::requestActivationBecauseInternetRestored, this,
            &BackendService::onRequestActivationBecauseInternetRestored);
    connect(vpn, &VpnCtl::activationFailed, this, &BackendService::onActivationFailed);
    connect(vpn, &VpnCtl::forcedActivationFailed, this, &BackendService::onForcedActivationFailed);
    connect(vpn, &VpnCtl::vpnConnectionEpicFail, this, &BackendService::onVpnConnectionEpicFail);
    connect(vpn, &VpnCtl::authenticationFailed, this, &BackendService::onAuthenticationFailed);
    connect(vpn, &VpnCtl::connectionToVpnProcessFailed, this, &BackendService::onConnectionToVpnProcessFailed);
    connect(vpn, &VpnCtl::vpnAuthFailed, this, &BackendService::onVpnAuthFailed);
    connect(vpn, &VpnCtl::activationStateChanged, this, &BackendService::onActivationStateChanged);
    connect(vpn, &VpnCtl::activatingServerChanged, this, &BackendService::onActivatingServerChanged);
    connect(vpn, &VpnCtl::vpnStatisticsUpdated, this, &BackendService::onVpnStatisticsUpdated);
    connect(vpn, &VpnCtl::restoreSavedClusterAndServer, this, &BackendService::onRestoreSavedClusterAndServer);

    // One queued call: working out the network report may run an event loop, which
    // would let a second queued call overtake the first.
    const ActivationState idle = vpn->initialActivationState();
    QMetaObject::invokeMethod(
        this,
        [this, idle] {
            onLocalConnectionIsChanged();
            onActivationStateChanged(idle);
        },
        Qt::QueuedConnection);
}

bool BackendService::clientConnected() const
{
    return client && client->state() == QAbstractSocket::ConnectedState;
}

void BackendService::onClientReadyRead()
{
    if (client)
        reader.readFrom(*client);
}

// Lines held while the log connection went away take the same way out as a
// line written without one.
void BackendService::sendHeldLog()
{
    logTimer->stop();
    if (heldLog.isEmpty())
        return;
    if (log_socket && log_socket->state() == QAbstractSocket::ConnectedState)
        MessageWriter(log_socket).writeLogLines(heldLog);
    else
        std::fwrite(heldLog.constData(), 1, size_t(heldLog.size()), stderr);
    heldLog.clear();
}

void BackendService::onClientConnectTimeout()
{
    if (server->isListening() && !log_socket) {
        qCritical() << "BackendService: Client not connected in time, closing service.";
        closeService();
    }
}

void BackendService::onClientDisconnected()
{
    if (!client && !log_socket)
        return;
    qCritical() << "BackendService: Client disconnected. Closing service";
    closeService();
}

void BackendService::closeService()
{
    stopVpn();
    if (!server->isListening() && !client && !log_socket)
        return;
    if (server->isListening())
        server->close();
    sendHeldLog();
    for (QPointer<QTcpSocket>* connection : {&log_socket, &client}) {
        QTcpSocket* socket = connection->data();
        *connection = nullptr;
        if (!socket)
            continue;
        // Not deleted here: a request handler waiting in a local event loop may
        // still hold it. It goes with the server, whose child it is.
        socket->disconnect(this);
        socket->close();
    }
    qDebug() << "BackendService: Service closed.";
    RoutingTable::instance()->deinit();
    emit serviceClosed();
}

void BackendService::stopVpn()
{
    if (VpnCtl* vpn = vpn_ctl_inst.data()) {
        vpn_ctl_inst = nullptr;
        // Its deletion may come due only after the event loop has ended; until then
        // nothing it is still waiting for may start anything new.
        vpn->shutdown();
        vpn->deleteLater();
    }
}

// Reaches the client while its log connection is up; otherwise standard error is
// the only place left for the line.
void BackendService::onLog(const QString& log, int msg_type)
{
    if (log_socket && log_socket->state() == QAbstractSocket::ConnectedState) {
        heldLog += MessageWriter::logLine(QtMsgType(msg_type), log);
        // A critical line may be the last one before the process ends.
        if (msg_type == QtCriticalMsg || msg_type == QtFatalMsg || heldLog.size() >= MaxGatheredLogBytes)
            sendHeldLog();
        else if (!logTimer->isActive())
            logTimer->start();
    } else {
        const QByteArray line = MessageWriter::logLine(QtMsgType(msg_type), log);
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    }
}

void BackendService::writeEvent(const char* name, const QStringList& values)
{
    if (clientConnected())
        MessageWriter(client).writeEvent(QLatin1String(name), values);
}

void BackendService::onLocalConnectionIsChanged()
{
    if (clientConnected())
        writeEvent(LinkProtocol::Event::LocalConnectionIsChanged, currentNetworkReport().toValues());
}

void BackendService::onRequestActivation()
{
    writeEvent(LinkProtocol::Event::RequestVpnActivation);
}

void BackendService::onRequestActivationBecauseInternetRestored()
{
    writeEvent(LinkProtocol::Event::RequestVpnActivationOnInternetRestore);
}

void BackendService::onActivationFailed(const QString& host)
{
    writeEvent(LinkProtocol::Event::VpnActivationFailed, {host});
}

void BackendService::onForcedActivationFailed(const QString& host)
{
    writeEvent(LinkProtocol::Event::VpnForcedActivationFailed, {host});
}

void BackendService::onVpnConnectionEpicFail()
{
    writeEvent(LinkProtocol::Event::VpnConnectionEpicFail);
}

void BackendService::onAuthenticationFailed()
{
    writeEvent(LinkProtocol::Event::AuthenticationFailed);
}

void BackendService::onConnectionToVpnProcessFailed()
{
    writeEvent(LinkProtocol::Event::ConnectiontoVpnProcessFailed);
}

void BackendService::onVpnAuthFailed()
{
    writeEvent(LinkProtocol::Event::VpnAuthFailed);
}

void BackendService::onActivationStateChanged(ActivationState state)
{
    if (!clientConnected())
        return;
    writeEvent(LinkProtocol::Event::ActivationStateChanged, {QString::number(int(state))});
    if (VpnCtl::isDeactivatedState(state) && state != last_state)
        onLocalConnectionIsChanged();
    if (state == Activated)
        NetworkNotifier::instance()->emitLocalConnectionIsChanged();
    last_state = state;
}

void BackendService::onActivatingServerChanged(const QString& server_host)
{
    writeEvent(LinkProtocol::Event::ActivatingServerChanged, {server_host});
}

void BackendService::onVpnStatisticsUpdated(quint64 read_bytes, quint64 write_bytes)
{
    writeEvent(LinkProtocol::Event::VpnStatisticsUpdated, {QString::number(read_bytes), QString::number(write_bytes)});
}

void BackendService::onRestoreSavedClusterAndServer()
{
    writeEvent(LinkProtocol::Event::RestoreSavedClusterAndServer);
}
