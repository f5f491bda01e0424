#pragma once

#include <ActivationState.h>
#include <MessageReader.h>
#include <RequestTable.h>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QTcpServer;
class QTcpSocket;
class QTimer;

// The backend's one client session over the local link: a log connection, then a
// control connection with its handshake, requests turned into calls on the VPN state
// machine, its signals turned into events, and the process's log streamed to the
// client. The session, and with it the process, ends when the client goes away.
class BackendService : public QObject
{
    Q_OBJECT
public:
    explicit BackendService(QObject* parent = nullptr);
    ~BackendService() override;

    bool initCommunication();
    bool clientConnected() const;

signals:
    void serviceClosed();

public slots:
    void start();
    void onLocalConnectionIsChanged();
    void onClilentConnected();
    void onClientConnectTimeout();
    void onClientDisconnected();
    void closeService();
    void stopVpn();
    void onClientReadyRead();
    void onLog(const QString& log, int msg_type);
    void onRequestActivation();
    void onRequestActivationBecauseInternetRestored();
    void onActivationFailed(const QString& host);
    void onForcedActivationFailed(const QString& host);
    void onVpnConnectionEpicFail();
    void onAuthenticationFailed();
    void onConnectionToVpnProcessFailed();
    void onVpnAuthFailed();
    void onActivationStateChanged(ActivationState state);
    void onActivatingServerChanged(const QString& server_host);
    void onVpnStatisticsUpdated(quint64 read_bytes, quint64 write_bytes);
    void onRestoreSavedClusterAndServer();

private:
    void acceptLogConnection(QTcpSocket* socket);
    void acceptControlConnection(QTcpSocket* socket);
    bool isFromOwner(QTcpSocket* socket) const;
    bool mayLogRefusal();
    bool readHandshakeLine(QString& line);
    void sendHandshakeLine(const QByteArray& line);
    bool refuse(const char* reason);
    void startSession();
    void writeEvent(const char* name, const QStringList& values = QStringList());
    void sendHeldLog();

    QTcpServer* server;
    QPointer<QTcpSocket> client;
    QTimer* connectTimer;
    QTimer* logTimer;
    // The second in which refusals are being counted, and how many were logged in it.
    QElapsedTimer refusalSecond;
    int refusalsLogged = 0;
    MessageReader reader;
    RequestTable requestTable;
    // Log lines on their way to the client, gathered for a moment.
    QByteArray heldLog;
};
