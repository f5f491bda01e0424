#pragma once

#include <QByteArrayList>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

// Plays openvpn's side of the management interface inside a test: listens on a
// local port, sends scripted lines to the newest connection and records every line
// it receives (without the line feed).
class FakeManagementPeer : public QObject
{
    Q_OBJECT
public:
    explicit FakeManagementPeer(QObject* parent = nullptr);

    // Port 0 picks a free port; port() tells which.
    bool listen(quint16 port = 0, const QHostAddress& address = QHostAddress::LocalHost);
    quint16 port() const;

    bool waitForConnection(int timeoutMs = 5000);
    int connectionCount() const { return connections; }
    bool isConnected() const;

    // Each line is sent with a line feed appended.
    void sendLine(const QByteArray& line);
    void sendLines(const QByteArrayList& lines);
    // True once the other side's kernel has taken every byte sent so far. A write on
    // loopback may reach the receiver only later (a busy machine defers it), and a
    // test that makes the other side read at once needs the bytes to be there.
    bool waitUntilDelivered(int timeoutMs = 5000);
    // Closes the current connection from this side.
    void closeConnection();

    const QByteArrayList& received() const { return lines; }
    // True once `line` has been received (also when it already was).
    bool waitForLine(const QByteArray& line, int timeoutMs = 5000);

signals:
    void lineReceived(const QByteArray& line);
    void clientConnected();

private:
    void onNewConnection();
    void onReadyRead();
    bool waitUntil(const std::function<bool()>& done, int timeoutMs);

    QTcpServer server;
    QPointer<QTcpSocket> current;
    QByteArrayList lines;
    int connections = 0;
};
