#include "FakeBackendPeer.h"

#include <MessageWriter.h>

#include <QTcpSocket>
#include <QTest>

namespace {
constexpr int HandshakeClientLines = 5; // the two keywords, the two folders, the number
constexpr int PieceIntervalMs = 2;
} // namespace

FakeBackendPeer::FakeBackendPeer(QObject* parent)
    : QObject(parent)
    , m_reader([this](const LinkMessage& request) { takeRequest(request); }, MessageReader::Requests,
               QStringLiteral("FakeBackendPeer"))
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeBackendPeer::onNewConnection);
    m_pieceTimer.setInterval(PieceIntervalMs);
    connect(&m_pieceTimer, &QTimer::timeout, this, &FakeBackendPeer::writeNextPiece);
}

bool FakeBackendPeer::listen(quint16 port)
{
    return m_server.listen(QHostAddress::LocalHost, port);
}

quint16 FakeBackendPeer::port() const
{
    return m_server.serverPort();
}

void FakeBackendPeer::stopListening()
{
    m_server.close();
}

void FakeBackendPeer::setHandshake(const std::optional<QByteArray>& number, const std::optional<QByteArray>& verdict)
{
    m_number = number;
    m_verdict = verdict;
}

void FakeBackendPeer::onRequest(std::function<void(const LinkMessage&)> handler)
{
    m_onRequest = std::move(handler);
}

void FakeBackendPeer::reply(const LinkMessage& request, const QStringList& values)
{
    write(MessageWriter::reply(request.id, values));
}

void FakeBackendPeer::sendEvent(const QString& name, const QStringList& values)
{
    write(MessageWriter::event(name, values));
}

void FakeBackendPeer::sendRaw(const QByteArray& bytes, int pieceSize)
{
    if (pieceSize <= 0) {
        write(bytes);
        return;
    }
    for (int from = 0; from < bytes.size(); from += pieceSize)
        m_pieces << bytes.mid(from, pieceSize);
    m_pieceTimer.start();
}

void FakeBackendPeer::sendLog(const QByteArray& bytes)
{
    if (m_log) {
        m_log->write(bytes);
        m_log->flush();
    }
}

void FakeBackendPeer::closeControl()
{
    if (m_control)
        m_control->close();
}

void FakeBackendPeer::closeLog()
{
    if (m_log)
        m_log->close();
}

bool FakeBackendPeer::isControlConnected() const
{
    return m_control && m_control->state() == QAbstractSocket::ConnectedState;
}

bool FakeBackendPeer::waitForRequests(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_requests.size() >= count; }, timeoutMs);
}

bool FakeBackendPeer::waitUntilControlClosed(int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_control && !isControlConnected(); }, timeoutMs);
}

bool FakeBackendPeer::waitUntilLogClosed(int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_log && m_log->state() != QAbstractSocket::ConnectedState; }, timeoutMs);
}

void FakeBackendPeer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        ++m_connections;
        if (!m_log) {
            m_log = socket;
            connect(socket, &QTcpSocket::readyRead, this, [this] { m_logReceived += m_log->readAll(); });
        } else if (!m_control) {
            m_control = socket;
            connect(socket, &QTcpSocket::readyRead, this, &FakeBackendPeer::onControlData);
        } else {
            socket->abort();
        }
    }
}

void FakeBackendPeer::onControlData()
{
    while (!m_inSession && m_control && m_control->canReadLine())
        takeHandshakeLine();
    if (m_inSession && m_control && m_control->isOpen()) {
        const QByteArray bytes = m_control->readAll();
        m_session += bytes;
        m_reader.feed(bytes);
    }
}

void FakeBackendPeer::takeHandshakeLine()
{
    m_handshake += m_control->readLine();
    ++m_handshakeLines;
    const std::optional<QByteArray>* answer = m_handshakeLines == HandshakeClientLines - 1 ? &m_number
                                            : m_handshakeLines == HandshakeClientLines     ? &m_verdict
                                                                                            : nullptr;
    if (!answer)
        return;
    if (!*answer) {
        m_control->close();
        return;
    }
    write(**answer + '\n');
    if (answer == &m_verdict && **answer == LinkProtocol::HandshakeAccepted) {
        m_inSession = true;
        emit sessionStarted();
    }
}

void FakeBackendPeer::takeRequest(const LinkMessage& request)
{
    m_requests << request;
    emit requestReceived(request);
    if (m_onRequest)
        m_onRequest(request);
}

void FakeBackendPeer::write(const QByteArray& bytes)
{
    if (!m_pieces.isEmpty()) {
        m_pieces << bytes;
        return;
    }
    if (m_control) {
        m_control->write(bytes);
        m_control->flush();
    }
}

void FakeBackendPeer::writeNextPiece()
{
    if (m_pieces.isEmpty()) {
        m_pieceTimer.stop();
        return;
    }
    const QByteArray piece = m_pieces.takeFirst();
    if (m_control) {
        m_control->write(piece);
        m_control->flush();
    }
}
