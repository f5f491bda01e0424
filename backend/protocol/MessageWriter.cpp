#include "MessageWriter.h"

#include <QAbstractSocket>

#include <cerrno>
#include <sys/socket.h>

namespace {

// Values can carry text from outside, such as the name a nearby access point
// chose for itself; a line feed in it would let that text forge messages.
void appendLine(QByteArray& message, const QString& line)
{
    QByteArray text = line.toUtf8();
    if (text.contains('\n'))
        text.replace('\n', QByteArray());
    message.append(text);
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

// Hands the kernel as much of the message as it takes at once. Qt's own write would
// queue the message and arm the socket's write notifier, then take the notifier down
// again when flushed: two changes to the event loop's set of watched descriptors
// for every message, each of which wakes the loop once more. Only what the kernel
// cannot take now is left to Qt, which sends it when the socket can take more.
qint64 sendAtOnce(QAbstractSocket& socket, const QByteArray& message)
{
    // An encrypting socket has to see every byte itself.
    if (socket.state() != QAbstractSocket::ConnectedState || socket.bytesToWrite() > 0 || socket.inherits("QSslSocket"))
        return 0;
    for (;;) {
        const ssize_t sent = ::send(int(socket.socketDescriptor()), message.constData(), size_t(message.size()),
                                    MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent >= 0)
            return sent;
        // Anything else is for Qt's own write to meet and report.
        if (errno != EINTR)
            return 0;
    }
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

bool MessageWriter::writeLogLines(const QByteArray& lines)
{
    return send(lines);
}

bool MessageWriter::send(const QByteArray& message)
{
    if (!m_device || !m_device->isWritable())
        return false;
    // A peer that stops reading must not make the sender grow without bound: past
    // this much unsent output its messages are dropped.
    if (m_device->bytesToWrite() + message.size() > MaxPendingBytes)
        return false;
    auto* socket = qobject_cast<QAbstractSocket*>(m_device);
    const qint64 sent = socket ? sendAtOnce(*socket, message) : 0;
    if (sent == message.size())
        return true;
    const qint64 rest = message.size() - sent;
    if (m_device->write(message.constData() + sent, rest) != rest)
        return false;
    if (socket)
        socket->flush();
    return true;
}
