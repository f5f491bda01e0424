#pragma once

#include <BackendLogReader.h>
#include <LinkChannel.h>
#include <LinkMessage.h>

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTcpSocket>
#include <QTextStream>
#include <QTime>
#include <QTimer>

#include <memory>

// One session with a backend, opened, spoken and read the way the desktop client
// does it, driven by a script of requests and waits, printing one line for
// everything it sees.
class LinkClient : public QObject
{
    Q_OBJECT
public:
    enum ExitCode { Done = 0, Failed = 1, Rejected = 2, WaitFailed = 3 };

    struct Options
    {
        quint16 port = 0;
        QString appDir;
        QString dataDir;
        int timeoutMs = 30000;
        bool stay = false;
    };

    LinkClient(const Options& options, QObject* parent = nullptr);

    // Script lines run in order; without any, standard input supplies them.
    void start(const QStringList& script);

signals:
    void finished(int exitCode);

private slots:
    void connectLog();
    void onLogConnected();
    void onControlConnected();
    void onLogReadyRead();
    void onControlReadyRead();
    void onDisconnected();
    void onWaitTimeout();

private:
    enum class Phase { Connecting, Handshake, Session, Over };
    enum class Wait { Nothing, Reply, Event, Delay };

    void startSession();
    void onEvent(const QString& name, const QStringList& values);
    void onReply(const QString& id, const QString& name, const QStringList& values);
    void runScript();
    void runLine(const QStringList& words);
    QString sendRequest(const QStringList& words);
    bool takeMatchingEvent();
    void waitFor(Wait wait, int ms);
    void resume();
    void print(const QString& kind, const QStringList& words);
    void fail(const QString& text, int exitCode);
    void finish(int exitCode);

    const Options m_options;
    QTcpSocket m_log;
    QTcpSocket m_control;
    QTimer m_connectRetry;
    QTimer m_waitTimer;
    QElapsedTimer m_connectStarted;
    std::unique_ptr<LinkChannel> m_channel;
    BackendLogReader m_logReader;
    QTextStream m_out;
    const QTime m_startTime;
    QElapsedTimer m_sinceStart;
    qint64 m_stampedAt = -1;
    QString m_stamp;

    Phase m_phase = Phase::Connecting;
    QStringList m_script;
    bool m_inputEnded = false;
    Wait m_wait = Wait::Nothing;
    QString m_awaitedReply;
    QStringList m_awaitedEvent; // name, then the values it must start with
    QList<LinkMessage> m_unseenEvents;
    bool m_reading = false;
    bool m_resumeAfterReading = false;
};
