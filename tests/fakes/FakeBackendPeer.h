#pragma once

#include <LinkMessage.h>
#include <LinkProtocol.h>
#include <MessageReader.h>

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <optional>

class QTcpSocket;

// Plays the backend's side of the link inside a test. On 127.0.0.1 it takes the
// first connection as the log connection and the second as the control
// connection (later ones are closed at once), answers the handshake with the
// lines it is given, then reads requests with the backend's own reader and
// records them. The test answers them, sends events and log lines, or writes any
// bytes at all; everything the client writes is kept byte for byte.
class FakeBackendPeer : public QObject
{
    Q_OBJECT
public:
    explicit FakeBackendPeer(QObject* parent = nullptr);

    // Port 0 picks a free port; port() tells which.
    bool listen(quint16 port = LinkProtocol::ServicePort);
    quint16 port() const;
    void stopListening();

    // The two lines this side sends in the handshake, each once the client's lines
    // before it are in: the backend's number, then the verdict. A missing line
    // closes the control connection at that point instead. The session begins
    // when the verdict is the accepting one.
    void setHandshake(const std::optional<QByteArray>& number, const std::optional<QByteArray>& verdict);
    // Runs for every request once the session has begun.
    void onRequest(std::function<void(const LinkMessage&)> handler);

    void reply(const LinkMessage& request, const QStringList& values);
    void sendEvent(const QString& name, const QStringList& values);
    // Control connection bytes: all at once, or pieceSize bytes at a time, a few
    // milliseconds apart. Whatever is sent later follows them.
    void sendRaw(const QByteArray& bytes, int pieceSize = 0);
    void sendLog(const QByteArray& bytes);
    void closeControl();
    void closeLog();

    int connectionCount() const { return m_connections; }
    bool inSession() const { return m_inSession; }
    bool isControlConnected() const;
    // What the client wrote on the control connection up to the end of the
    // handshake, and after it; and on the log connection, where it writes nothing.
    const QByteArray& handshakeBytes() const { return m_handshake; }
    const QByteArray& sessionBytes() const { return m_session; }
    const QByteArray& logBytes() const { return m_logReceived; }
    const QList<LinkMessage>& requests() const { return m_requests; }

    bool waitForRequests(int count, int timeoutMs = 5000);
    bool waitUntilControlClosed(int timeoutMs = 5000);
    bool waitUntilLogClosed(int timeoutMs = 5000);

signals:
    void sessionStarted();
    void requestReceived(const LinkMessage& request);

private:
    void onNewConnection();
    void onControlData();
    void takeHandshakeLine();
    void takeRequest(const LinkMessage& request);
    void write(const QByteArray& bytes);
    void writeNextPiece();

    QTcpServer m_server;
    QPointer<QTcpSocket> m_log;
    QPointer<QTcpSocket> m_control;
    int m_connections = 0;

    std::optional<QByteArray> m_number = QByteArray::number(LinkProtocol::HandshakeNumber);
    std::optional<QByteArray> m_verdict = QByteArray(LinkProtocol::HandshakeAccepted);
    int m_handshakeLines = 0;
    bool m_inSession = false;
    QByteArray m_handshake;
    QByteArray m_session;
    QByteArray m_logReceived;

    MessageReader m_reader;
    std::function<void(const LinkMessage&)> m_onRequest;
    QList<LinkMessage> m_requests;

    QByteArrayList m_pieces;
    QTimer m_pieceTimer;
};
