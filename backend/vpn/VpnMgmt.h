#pragma once

#include <QAbstractSocket>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

// What openvpn's state notifications mean to the state machine.
enum class VpnState : int {
    Connecting = 0,
    Connected = 1,
    Exited = 2,
    ConnectionReset = 3,
    ForcedFailure = 4,
    AuthFailure = 5,
    Fatal = 6,
    ConnectedWithError = 7,
};

// Traffic counters from openvpn's "status" answer.
struct VpnStatistic
{
    quint64 readBytes = 0;
    quint64 writeBytes = 0;
};

Q_DECLARE_METATYPE(VpnState)
Q_DECLARE_METATYPE(VpnStatistic)

// Client of openvpn's management interface: hands over the credentials when asked,
// turns on state notifications, asks for statistics and for the process to stop, and
// turns openvpn's lines into signals. Main thread only.
//
// Credentials that cannot travel as one management line (CR, LF or NUL in them) are
// never sent: openvpn is told to stop and vpnState(VpnState::AuthFailure) follows.
// A management peer that is not a process of root's gets nothing either: the
// connection is dropped and connectionToVpnProcessFailed() follows.
class VpnMgmt : public QObject
{
    Q_OBJECT
public:
    explicit VpnMgmt(QObject* parent = nullptr);

    void start(const QString& host, quint16 port);
    void stop();
    // Hands on what openvpn said and the socket still holds; for an end of openvpn
    // seen by other means before its last words were read.
    void readPending();
    void setAuth(const QString& user, QString password);
    void vpnStop();
    // Ends the conversation for good: blocks, without an event loop and without
    // reading what openvpn still says, until openvpn closes the management
    // connection or the time is up; true when it closed.
    bool waitForProcessToClose(int ms);
    void getVpnStatistics();

signals:
    void vpnState(VpnState state);
    void tunnelUp(const QString& routeGateway);
    void tunnelDown();
    void vpnStatisticsReceived(VpnStatistic stats);
    void connectionToVpnProcessFailed();
    void vpnUnexpectedShutDown();

public slots:
    void onReconnect();
    void onSocketConnected();
    void onSocketError(QAbstractSocket::SocketError socketError);
    void onSocketReadyRead();
    void onVpnAuthAcceptTimeout();

private:
    // False when reading has to pause until a queued call resumes it.
    bool processNotification(const QString& line);
    void processPasswordNotification(const QString& text);
    void processUpDownNotification(const QString& text);
    void processAnswer(const QString& line);
    void processStateMessage(const QString& text);
    void processStatisticsMessage(const QString& block);
    bool sendCredentials();

    QTimer* reconnectTimer;
    QTcpSocket* socket = nullptr;
    int reconnectCounter = 0;
    QString host;
    quint16 port = 0;
    QString user;
    QString password;
    bool waitingForInfo = false;
    bool passwordRequestPending = false;
    bool inStatistics = false;
    QString statisticsBuffer;
    QTimer authAcceptTimer;
    int tunnelIsDown = 1;
    // No management input is handled during the pause between INFO and "state on 1".
    bool pausedAfterInfo = false;
};
