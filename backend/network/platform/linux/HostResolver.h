#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

#include <memory>

class NetlinkChangeMonitor;

// The IPv4 addresses of one host name, looked up on a thread of its own so that
// a resolver that never answers holds nobody up. The latest answer is kept and
// asked for afresh whenever the kernel reports a network change; a lookup that
// has not answered within the time limit counts as "no addresses".
class HostResolver : public QObject
{
    Q_OBJECT
public:
    // The resolver of this host name, shared by everyone who asks about it; its
    // first lookup starts now. Main thread only.
    static HostResolver* forHost(const QString& host);

    HostResolver(const QString& host, int timeLimitMs, QObject* parent = nullptr);
    ~HostResolver() override;

    // Whether any lookup has answered (or run out of time) yet.
    bool isAnswered() const { return m_answered; }
    // The latest answer; empty before the first one and when the name did not resolve.
    QList<QHostAddress> addresses() const { return m_addresses; }

    // Asks again; while a lookup runs, one more follows it.
    void refresh();

    static constexpr int DefaultTimeLimitMs = 5000;

signals:
    // A lookup has ended, with an answer or at the time limit.
    void answered();
    // The addresses differ from those known before (none before the first answer).
    void addressesChanged();

private:
    struct Mailbox;

    void startLookup();
    void onAnswer(quint64 lookup, const QList<QHostAddress>& addresses);
    void onTimeLimit();
    void take(const QList<QHostAddress>& addresses);

    const QString m_host;
    const std::shared_ptr<Mailbox> m_mailbox;
    NetlinkChangeMonitor* const m_monitor;
    QTimer m_timeLimit;
    quint64 m_lookup = 0;
    bool m_running = false;
    bool m_again = false;
    bool m_answered = false;
    QList<QHostAddress> m_addresses;
};
