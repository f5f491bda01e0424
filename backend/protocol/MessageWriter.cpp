#include "MessageWriter.h"

#include <QAbstractSocket>

namespace {

// Values can carry text from outside, such as the name a nearby access point
// chose for itself; a line feed in it would let that text forge messages.
void appendLine(QByteArray& message, const QString& line)
{
    message.append(line.toUtf8().replace('\n', QByteArray()));
    message.append('\n');
}

QByteArray counted(QByteArray head, const QStringList& values)
{
    appendLine(head, QString::number(values.size()));
    for (const QString& value : values)
        appendLine(head, value);
    return head;
}

QByteArray firstLine(const QString& line)
{
    QByteArray head;
    appendLine(head, line);
    return head;
}

} // namespace

MessageWriter::MessageWriter(QIODevice* device)
    : m_device(device)
{
}

QByteArray MessageWriter::request(const QString& name, const QString& id, const QStringList& arguments)
{
    QByteArray head = firstLine(name);
    appendLine(head, id);
    return counted(head, arguments);
}

QByteArray MessageWriter::reply(const QString& id, const QStringList& values)
{
    return counted(firstLine(id), values);
}

QByteArray MessageWriter::event(const QString& name, const QStringList& values)
{
    return counted(firstLine(name), values);
}

QByteArray MessageWriter::logLine(QtMsgType type, const QString& text)
{
    return QByteArray::number(int(type)) + text.toUtf8() + '\n';
}

QByteArray MessageWriter::lines(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        appendLine(bytes, line);
    return bytes;
}

bool MessageWriter::writeRequest(const QString& name, const QString& id, const QStringList& arguments)
{
    return send(request(name, id, arguments));
}

bool MessageWriter::writeReply(const QString& id, const QStringList& values)
{
    return send(reply(id, values));
}

bool MessageWriter::writeEvent(const QString& name, const QStringList& values)
{
    return send(event(name, values));
}

bool MessageWriter::writeLogLine(QtMsgType type, const QString& text)
{
    return send(logLine(type, text));
}

bool MessageWriter::send(const QByteArray& message)
{
    if (!m_device || !m_device->isWritable())
        return false;
    // A peer that stops reading must not make the sender grow without bound: past
    // this much unsent output its messages are dropped.
    if (m_device->bytesToWrite() + message.size() > MaxPendingBytes)
        return false;
    if (m_device->write(message) != message.size())
        return false;
    if (auto* socket = qobject_cast<QAbstractSocket*>(m_device))
        socket->flush();
    return true;
}
