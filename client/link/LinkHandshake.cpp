#include "LinkHandshake.h"

#include <LinkProtocol.h>
#include <LocalSocketOwner.h>
#include <MessageWriter.h>

#include <QDeadlineTimer>
#include <QTcpSocket>

#include <optional>

namespace {

QString ownNumber()
{
    return QString::number(LinkProtocol::HandshakeNumber);
}

// The next line, trimmed and cut at a zero byte; none when the connection ends,
// the time runs out or the line grows past the limit first.
std::optional<QString> readLine(QTcpSocket& socket, const QDeadlineTimer& deadline)
{
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > LinkHandshake::MaxLineBytes || deadline.hasExpired()
            || socket.state() != QAbstractSocket::ConnectedState)
            return std::nullopt;
        socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    const QByteArray bytes = socket.readLine(LinkHandshake::MaxLineBytes + 2);
    if (bytes.size() > LinkHandshake::MaxLineBytes)
        return std::nullopt;
    return QString::fromUtf8(bytes.constData(), int(qstrnlen(bytes.constData(), uint(bytes.size())))).trimmed();
}

void send(QTcpSocket& socket, const QStringList& lines)
{
    socket.write(MessageWriter::lines(lines));
    socket.flush();
}

} // namespace

bool LinkHandshake::Outcome::accepted() const
{
    return rootPeer && number == ownNumber() && verdict == QLatin1String(LinkProtocol::HandshakeAccepted);
}

LinkHandshake::Outcome LinkHandshake::run(QTcpSocket& control, const QString& appFolder, const QString& dataFolder,
                                          int timeLimitMs)
{
    Outcome outcome;
    const QDeadlineTimer deadline(timeLimitMs);
    outcome.rootPeer = isRootPeer(control);
    if (outcome.rootPeer) {
        send(control, {LinkProtocol::SetAppDirKeyword, appFolder, LinkProtocol::SetAppDataDirKeyword, dataFolder});
        outcome.number = readLine(control, deadline);
        if (outcome.number) {
            // The backend learns from the number it gets back whether it talks to its client.
            send(control, {ownNumber()});
            if (*outcome.number == ownNumber())
                outcome.verdict = readLine(control, deadline);
        }
    }
    if (!outcome.accepted())
        control.close();
    return outcome;
}

bool LinkHandshake::isRootPeer(const QTcpSocket& socket)
{
    const std::optional<uid_t> owner = LocalSocketOwner::peerUid(socket);
    return owner && *owner == 0;
}
