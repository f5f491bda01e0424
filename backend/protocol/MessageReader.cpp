#include "MessageReader.h"

#include <QDebug>
#include <QIODevice>
#include <QPointer>

namespace {
constexpr qint64 ReadChunkBytes = 64 * 1024;

// Decoding the whole line keeps an embedded zero byte, so a name followed by a
// zero and junk never passes for the plain name.
QString decode(const char* data, int size)
{
    return QString::fromUtf8(data, size);
}
} // namespace

MessageReader::MessageReader(Sink sink, Framing framing, const QString& logTag)
    : m_sink(std::move(sink))
    , m_framing(framing)
    , m_logTag(logTag)
{
}

void MessageReader::feed(const QByteArray& bytes)
{
    m_buffer.append(bytes);
    // A handler that waits in an event loop may let more bytes in; they are read
    // once it has returned, in order.
    if (!m_busy)
        processBuffer();
}

void MessageReader::readFrom(QIODevice& device)
{
    if (m_busy)
        return;
    // A handler may wait in local event loops in which the connection ends and the
    // device is deleted.
    const QPointer<QIODevice> alive(&device);
    while (alive) {
        // Asking for no more than the device holds lets it hand over its buffer
        // as it is, with nothing allocated or copied.
        const QByteArray chunk = device.read(qMin(device.bytesAvailable(), ReadChunkBytes));
        if (chunk.isEmpty())
            return;
        feed(chunk);
    }
}

void MessageReader::processBuffer()
{
    m_busy = true;
    for (;;) {
        if (m_discardingLine) {
            const int end = m_buffer.indexOf('\n', m_consumed);
            if (end < 0) {
                m_consumed = m_buffer.size();
                break;
            }
            m_consumed = end + 1;
            m_scanFrom = m_consumed;
            m_discardingLine = false;
            endOverlongLine();
            continue;
        }
        const int end = m_buffer.indexOf('\n', m_scanFrom);
        if (end < 0) {
            if (m_buffer.size() - m_consumed > MaxLineBytes) {
                beginOverlongLine();
                m_discardingLine = true;
                m_consumed = m_buffer.size();
            }
            break;
        }
        const int start = m_consumed;
        m_consumed = end + 1;
        m_scanFrom = m_consumed;
        if (end - start > MaxLineBytes) {
            beginOverlongLine();
            endOverlongLine();
        } else {
            takeLine(m_buffer.constData() + start, end - start);
        }
    }
    m_buffer.remove(0, m_consumed);
    m_consumed = 0;
    m_scanFrom = m_buffer.size();
    m_busy = false;
}

void MessageReader::takeLine(const char* data, int size)
{
    if (m_state == ExpectingName)
        startMessage();
    m_messageBytes += size + 1;
    switch (m_state) {
    case ExpectingName:
        m_message.name = decode(data, size);
        m_state = stateAfterName();
        break;
    case ExpectingId:
        m_message.id = decode(data, size);
        m_state = ExpectingCount;
        break;
    case ExpectingCount:
        takeCount(decode(data, size));
        break;
    case ReadingArguments:
        takeArgument(decode(data, size));
        break;
    }
}

void MessageReader::takeCount(const QString& line)
{
    bool ok = false;
    const int count = line.trimmed().toInt(&ok, 10);
    if (!ok || count < 0) {
        logBroken("wrong message size for message");
        m_dropped = true;
        finishMessage();
        return;
    }
    m_remaining = count;
    if (count == 0)
        finishMessage();
    else
        m_state = ReadingArguments;
}

void MessageReader::takeArgument(const QString& line)
{
    if (!m_dropped) {
        if (m_message.arguments.size() >= MaxArguments || m_messageBytes > MaxMessageBytes)
            dropMessage();
        else
            m_message.arguments.append(line);
    }
    if (--m_remaining == 0)
        finishMessage();
}

void MessageReader::beginOverlongLine()
{
    if (m_state == ExpectingName)
        startMessage();
    if (!m_dropped)
        dropMessage();
}

// The line is gone but the message around it still has its shape: the reader
// walks past its remaining lines so the next message starts where the peer
// meant it to. Only a lost count leaves nothing to walk by.
void MessageReader::endOverlongLine()
{
    switch (m_state) {
    case ExpectingName:
        m_state = stateAfterName();
        break;
    case ExpectingId:
        m_state = ExpectingCount;
        break;
    case ExpectingCount:
        finishMessage();
        break;
    case ReadingArguments:
        if (--m_remaining == 0)
            finishMessage();
        break;
    }
}

void MessageReader::startMessage()
{
    m_message = LinkMessage();
    m_remaining = 0;
    m_messageBytes = 0;
    m_dropped = false;
}

void MessageReader::dropMessage()
{
    logBroken("message too long, dropping message");
    m_dropped = true;
    m_message.arguments = QStringList();
}

// A broken reply fails the client's caller that waits for it, worth a critical line.
void MessageReader::logBroken(const char* what) const
{
    const QString text = m_logTag + QStringLiteral(": ") + QLatin1String(what);
    if (m_framing == RepliesAndEvents)
        qCritical().noquote() << text << m_message.name;
    else
        qWarning().noquote() << text << m_message.name;
}

void MessageReader::finishMessage()
{
    m_state = ExpectingName;
    if (m_dropped && m_framing == Requests)
        return;
    const LinkMessage message = std::move(m_message);
    m_message = LinkMessage();
    m_sink(message);
}

MessageReader::State MessageReader::stateAfterName() const
{
    return m_framing == Requests ? ExpectingId : ExpectingCount;
}
