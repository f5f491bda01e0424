#include "ManagementSocket.h"

#include <QTcpSocket>

void ManagementSocket::discard(QTcpSocket*& socket, QObject* receiver)
{
    if (!socket)
        return;
    socket->disconnect(receiver);
    socket->abort();
    socket->deleteLater();
    socket = nullptr;
}
