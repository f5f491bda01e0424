#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>

#include <optional>

class TestBed;

// The desktop client's side of one backend session, played by ozm_link_client on
// the bed's client side: requests go in as script lines, and everything it prints
// is kept so that a test can wait for what the client sees, in order.
class LinkSession : public QObject
{
    Q_OBJECT
public:
    struct Event
    {
        QString name;
        QStringList values;
        qint64 receivedMs = 0; // on this session's clock, see elapsedMs()
    };

    static constexpr int DefaultWaitMs = 30000;

    explicit LinkSession(const TestBed& bed, QObject* parent = nullptr);
    ~LinkSession() override;

    // Connects both connections and passes the handshake.
    bool open(int timeoutMs = DefaultWaitMs);
    void request(const QString& name, const QStringList& arguments = {});
    // Ends the session the way the desktop client does: both connections closed.
    void close();

    // The first event after the last one taken that is called `name` and whose
    // values begin with `values`; the events passed over are gone.
    std::optional<Event> nextEvent(const QString& name, const QStringList& values = {},
                                   int timeoutMs = DefaultWaitMs);
    // The first event after the last one taken whose name is one of `names`.
    std::optional<Event> nextEventOf(const QStringList& names, int timeoutMs = DefaultWaitMs);
    // Takes the oldest reply not yet taken to a request called `name`; the time it
    // came on this session's clock, none when it did not come in time.
    std::optional<qint64> waitForReply(const QString& name, int timeoutMs = DefaultWaitMs);
    // Passes over every event received so far.
    void skipPendingEvents() { m_nextEvent = m_events.size(); }

    qint64 elapsedMs() const { return m_clock.elapsed(); }
    // Everything the link client printed, for failure messages.
    QString transcript() const { return m_transcript.join(QLatin1Char('\n')); }

private slots:
    void onOutput();

private:
    std::optional<Event> takeEvent(const std::function<bool(const Event&)>& matches, int timeoutMs);

    const TestBed& m_bed;
    QProcess m_process;
    QElapsedTimer m_clock;
    QByteArray m_partial;
    QStringList m_transcript;
    QList<Event> m_events;
    int m_nextEvent = 0;
    struct Reply
    {
        QString name;
        qint64 receivedMs = 0;
    };
    QList<Reply> m_replies; // the answered requests, oldest first
    QStringList m_handshake;
};
