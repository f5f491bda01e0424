#pragma once

#include "LinkMessage.h"

#include <QByteArray>
#include <functional>

class QIODevice;

// Turns the bytes of a control connection into messages, however the bytes are
// cut into pieces. Every byte is the peer's choice, so the reader holds at most
// one capped line plus one read chunk, never trusts a count to size anything,
// and keeps message boundaries when a message breaks the framing or the limits.
// The backend drops such a request; a client hands such a reply or event on
// without its values, so that whoever waits for it is not left waiting.
class MessageReader
{
public:
    enum Framing {
        Requests,        // name, id, count, arguments
        RepliesAndEvents // name or reply id, count, values
    };
    using Sink = std::function<void(const LinkMessage&)>;

    static constexpr int MaxLineBytes = 1024 * 1024;
    static constexpr qint64 MaxMessageBytes = 4 * MaxLineBytes;
    static constexpr int MaxArguments = 1024;

    // Log lines open with logTag, the name of the program that reads.
    explicit MessageReader(Sink sink, Framing framing = Requests,
                           const QString& logTag = QStringLiteral("BackendService"));

    void feed(const QByteArray& bytes);
    // Reads while the sink is not busy; bytes arriving while a message is being
    // handled stay in the device until the handler has returned.
    void readFrom(QIODevice& device);

private:
    enum State { ExpectingName, ExpectingId, ExpectingCount, ReadingArguments };

    void processBuffer();
    void takeLine(const char* data, int size);
    void takeCount(const QString& line);
    void takeArgument(const QString& line);
    void beginOverlongLine();
    void endOverlongLine();
    void startMessage();
    void dropMessage();
    void logBroken(const char* what) const;
    void finishMessage();
    State stateAfterName() const;

    const Sink m_sink;
    const Framing m_framing;
    const QString m_logTag;

    QByteArray m_buffer;
    int m_consumed = 0;
    int m_scanFrom = 0;
    bool m_discardingLine = false;
    bool m_busy = false;

    State m_state = ExpectingName;
    LinkMessage m_message;
    int m_remaining = 0;
    qint64 m_messageBytes = 0;
    bool m_dropped = false;
};
