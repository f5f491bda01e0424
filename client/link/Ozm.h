#pragma once

#include "BackendLogReader.h"

#include <QAbstractSocket>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <atomic>
#include <memory>

class LinkChannel;
class OzmLogerSocket;
class QTcpSocket;
class ReleasableProcess;
class QThread;
class QTimer;
class SignalCallBackTable;

// The client's link to its backend, one per process. It starts the backend
// program, connects the log connection and then the control connection to it,
// passes the handshake, and from then on copies the backend's log into the
// client log, writes requests and hands replies and events to their receivers on
// the application's thread. The link and the control connection live on the
// thread "ozm_service_thread", the log connection on "backend_log_thread" once the
// handshake is done. A link that fails or is lost stays so: the application is
// told by fatalErrorNotConnected() and ends.
class Ozm : public QObject
{
    Q_OBJECT
public:
    static constexpr int BackendStartWaitMs = 10000;
    static constexpr int ConnectAttempts = 30;
    static constexpr int ConnectRetryMs = 1000;
    static constexpr int BackendFinishWaitMs = 3000;

    // Creates the link, starts the backend and waits until the link is up or has
    // failed. Does nothing when the link exists.
    static void initInstance();
    // Starts <application folder>/ozm_launch; true when it runs.
    static bool startBackendService();
    static Ozm* inst();
    // Ends the link: both connections closed, the backend given time to end.
    static void dropInstance();

    // True from the handshake until the link fails, is lost or is dropped; any thread.
    bool serviceIsRunning() const;
    // Starts reading events and replies; called once every event receiver is registered.
    void startSocketProcessing();
    // The slot `method` of `receiver` (no arguments) runs for every event `name`
    // and reads its values with getLastAnswer(name). False when the event has a
    // live receiver already.
    bool registerSignalCallBack(const QString& name, QObject* receiver, const char* method);
    QStringList getLastAnswer(const char* name);

signals:
    void fatalErrorNotConnected();
    void connected();

public slots:
    // lines: the request's name and its arguments. The slot `call_back_method` of
    // `callback_object`, taking one const QStringList&, gets the reply's values;
    // no values when the link is lost first.
    void sendRequest(const QStringList& lines, const QPointer<QObject>& callback_object,
                     const char* call_back_method);
    void startInstance();
    void onSocketConnected();
    void onSocketDisconnected();
    void onSocketConnectError(QAbstractSocket::SocketError error);
    void connectSocketToBackend(QTcpSocket* socket);
    void connectLogSocketToBackend();
    void connectMainSocketToBackend();
    void onReadReady();
    void onBackendLogReadReady();

private slots:
    void onMainSocketConnected();

private:
    Ozm();
    ~Ozm() override;

    void watchBackendProcess(ReleasableProcess* process);
    void runHandshake();
    void fail(const char* reason);
    void detachSockets();
    void notifyAllRegisteredCallBacksFail();
    void waitForBackendProcess();

    QTcpSocket* const m_control;
    OzmLogerSocket* const m_logSocket;
    QThread* const m_logThread;
    QTimer* const m_retryTimer;
    QPointer<QTcpSocket> m_retrying;
    int m_connectAttempts = 0;
    bool m_connecting = false;
    bool m_lost = false;
    std::atomic<bool> m_running{false};

    const std::shared_ptr<SignalCallBackTable> m_signals;
    std::unique_ptr<LinkChannel> m_channel;
    BackendLogReader m_logReader;
    BackendLogReader m_outputReader;
    BackendLogReader m_errorReader;
};
