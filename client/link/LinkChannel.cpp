#include "LinkChannel.h"

#include <MessageWriter.h>

#include <QIODevice>

#include <optional>
#include <utility>

namespace {

// Only the id as it was written names a request: "07" is not request 7.
std::optional<quint64> requestNumber(const QString& id)
{
    bool ok = false;
    const quint64 number = id.toULongLong(&ok, 10);
    if (!ok || QString::number(number) != id)
        return std::nullopt;
    return number;
}

} // namespace

LinkChannel::LinkChannel(QIODevice* device, const QString& logTag, Handlers handlers)
    : m_device(device)
    , m_handlers(std::move(handlers))
    , m_reader([this](const LinkMessage& message) { onMessage(message); }, MessageReader::RepliesAndEvents, logTag)
{
}

QString LinkChannel::send(const QString& name, const QStringList& arguments, Answer answer)
{
    const quint64 number = ++m_lastId;
    const QString id = QString::number(number);
    if (m_closed || !MessageWriter(m_device).writeRequest(name, id, arguments)) {
        answer(id, {});
        return id;
    }
    m_waiting.insert(number, std::move(answer));
    return id;
}

void LinkChannel::read()
{
    if (!m_closed)
        m_reader.readFrom(*m_device);
}

void LinkChannel::close()
{
    m_closed = true;
    const QMap<quint64, Answer> waiting = std::exchange(m_waiting, {});
    for (auto request = waiting.begin(); request != waiting.end(); ++request)
        request.value()(QString::number(request.key()), {});
}

void LinkChannel::onMessage(const LinkMessage& message)
{
    if (m_closed)
        return;
    if (m_handlers.isEvent(message.name)) {
        m_handlers.event(message.name, message.arguments);
        return;
    }
    const std::optional<quint64> number = requestNumber(message.name);
    const Answer answer = number ? m_waiting.take(*number) : Answer();
    if (answer)
        answer(message.name, message.arguments);
    else
        m_handlers.stray(message.name, message.arguments);
}
