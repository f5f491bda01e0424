#pragma once

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

// A TCP connection within the test process on a free port: the connecting end and
// the end the server accepted (null when the connection did not come up).
class LoopbackConnection
{
public:
    explicit LoopbackConnection(QHostAddress::SpecialAddress listenOn = QHostAddress::LocalHost)
    {
        if (!server.listen(listenOn))
            return;
        QSignalSpy accepted(&server, &QTcpServer::newConnection);
        QSignalSpy connected(&client, &QTcpSocket::connected);
        client.connectToHost(QHostAddress::LocalHost, server.serverPort());
        if (!accepted.wait(5000))
            return;
        if (client.state() != QAbstractSocket::ConnectedState && !connected.wait(5000))
            return;
        m_accepted = server.nextPendingConnection();
    }

    QTcpSocket* accepted() const { return m_accepted; }

    QTcpServer server;
    QTcpSocket client;

private:
    QTcpSocket* m_accepted = nullptr;
};
