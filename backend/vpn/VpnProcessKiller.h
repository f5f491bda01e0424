#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

// Stops a running openvpn through its management port ("signal SIGTERM") and reports
// with killAttemptFinish(true) once no openvpn runs any more, false when one survives.
// A killer destroyed before it has reported (its owner went first) stops the
// process by its pid instead: no openvpn it was sent for outlives it.
class VpnProcessKiller : public QObject
{
    Q_OBJECT
public:
    explicit VpnProcessKiller(QObject* parent = nullptr);
    explicit VpnProcessKiller(bool autoDelete, QObject* parent = nullptr);
    ~VpnProcessKiller() override;

signals:
    void killAttemptFinish(bool result);

public slots:
    void killOpenVpnProcess(const QString& host, quint16 port);
    void onSocketError(QAbstractSocket::SocketError socket_error);
    void onSocketConnected();
    void onSocketTimerTimeout();

private:
    void finalCheck();
    void finish(bool result);

    QTcpSocket* socket = nullptr;
    QString host;
    quint16 port = 0;
    bool autoDelete = false;
    bool attempting = false;
    QTimer socketTimer;
};
