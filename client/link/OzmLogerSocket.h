#pragma once

#include <QTcpSocket>

// The log connection. It lives on a thread of its own once the link is up, so it
// is closed by a call queued to that thread.
class OzmLogerSocket : public QTcpSocket
{
    Q_OBJECT
public:
    using QTcpSocket::QTcpSocket;

public slots:
    void closeSlot();
};
