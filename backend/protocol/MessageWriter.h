#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class QIODevice;

// Writes whole messages to one end of the link. Each message is handed on in one
// piece and sent at once, so two writers on one thread never interleave lines.
class MessageWriter
{
public:
    explicit MessageWriter(QIODevice* device);

    bool writeRequest(const QString& name, const QString& id, const QStringList& arguments);
    bool writeReply(const QString& id, const QStringList& values);
    bool writeEvent(const QString& name, const QStringList& values);
    // Log texts keep their line feeds; a client reads the lines after the first as
    // continuations.
    bool writeLogLine(QtMsgType type, const QString& text);
    // Lines made by logLine(), sent together.
    bool writeLogLines(const QByteArray& lines);

    static QByteArray request(const QString& name, const QString& id, const QStringList& arguments);
    static QByteArray reply(const QString& id, const QStringList& values);
    static QByteArray event(const QString& name, const QStringList& values);
    static QByteArray logLine(QtMsgType type, const QString& text);
    // Plain lines, as the handshake has them.
    static QByteArray lines(const QStringList& lines);

    // Unsent output a device may hold before further messages are dropped.
    static constexpr qint64 MaxPendingBytes = 16 * 1024 * 1024;

private:
    bool send(const QByteArray& message);

    QIODevice* const m_device;
};
