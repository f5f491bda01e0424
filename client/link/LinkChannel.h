#pragma once

#include <MessageReader.h>

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

// The client's end of the control connection once the handshake is done. Every
// request goes out under a number of its own, which no event is called and no
// later request reuses, so a reply reaches the request it answers and nothing
// else. What comes back is told apart into events and replies; a message the
// backend garbled still answers, with no values, so nobody waits for it forever.
class LinkChannel
{
public:
    using Answer = std::function<void(const QString& id, const QStringList& values)>;
    struct Handlers
    {
        std::function<bool(const QString& name)> isEvent;
        std::function<void(const QString& name, const QStringList& values)> event;
        // A reply that answers no waiting request: one answered already, or never sent.
        std::function<void(const QString& id, const QStringList& values)> stray;
    };

    // logTag names the program in the reader's log lines.
    LinkChannel(QIODevice* device, const QString& logTag, Handlers handlers);

    // Writes the request and keeps `answer` for its reply; returns the request's
    // id. A request the channel cannot send, closed or choked, is answered at
    // once with no values.
    QString send(const QString& name, const QStringList& arguments, Answer answer);
    // Handles every whole message the device holds.
    void read();
    // Answers every waiting request with no values, oldest first; requests sent
    // later are answered so at once, and nothing more is read.
    void close();

private:
    void onMessage(const LinkMessage& message);

    QIODevice* const m_device;
    const Handlers m_handlers;
    MessageReader m_reader;
    quint64 m_lastId = 0;
    QMap<quint64, Answer> m_waiting;
    bool m_closed = false;
};
