#include "LinkClient.h"

#include "LinkProtocol.h"
#include "LinkScriptSyntax.h"
#include "MessageWriter.h"

#include <QHostAddress>
#include <QSocketNotifier>
#include <QTime>

#include <cerrno>
#include <unistd.h>

namespace {
constexpr int ConnectRetryMs = 100;

QStringList quoted(const QStringList& values)
{
    QStringList words;
    for (const QString& value : values)
        words << LinkScriptSyntax::quote(value);
    return words;
}
} // namespace

LinkClient::LinkClient(const Options& options, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_reader([this](const LinkMessage& message) { onMessage(message); }, MessageReader::RepliesAndEvents)
    , m_out(stdout)
{
    m_out.setCodec("UTF-8");
    m_connectRetry.setSingleShot(true);
    m_waitTimer.setSingleShot(true);
    connect(&m_connectRetry, &QTimer::timeout, this, &LinkClient::connectLog);
    connect(&m_waitTimer, &QTimer::timeout, this, &LinkClient::onWaitTimeout);
    connect(&m_log, &QTcpSocket::connected, this, &LinkClient::onLogConnected);
    connect(&m_log, &QTcpSocket::readyRead, this, &LinkClient::onLogReadyRead);
    connect(&m_log, &QTcpSocket::disconnected, this, &LinkClient::onDisconnected);
    connect(&m_control, &QTcpSocket::connected, this, &LinkClient::onControlConnected);
    connect(&m_control, &QTcpSocket::readyRead, this, &LinkClient::onControlReadyRead);
    connect(&m_control, &QTcpSocket::disconnected, this, &LinkClient::onDisconnected);
    // The backend may still be starting: the log connection is retried until the
    // time limit, the control connection is not, since the backend is up by then.
    connect(&m_log, &QTcpSocket::errorOccurred, this, [this] {
        if (m_phase != Phase::Connecting)
            return;
        if (m_connectStarted.elapsed() < m_options.timeoutMs)
            m_connectRetry.start(ConnectRetryMs);
        else
            fail(QStringLiteral("cannot connect the log connection: ") + m_log.errorString(), Failed);
    });
    connect(&m_control, &QTcpSocket::errorOccurred, this, [this] {
        if (m_phase == Phase::Connecting)
            fail(QStringLiteral("cannot connect the control connection: ") + m_control.errorString(), Failed);
    });
}

void LinkClient::start(const QStringList& script)
{
    if (script.isEmpty()) {
        m_stdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(m_stdin, &QSocketNotifier::activated, this, &LinkClient::onStdinReady);
    } else {
        m_script = script;
        m_inputEnded = true;
    }
    m_connectStarted.start();
    connectLog();
}

void LinkClient::connectLog()
{
    m_log.abort();
    m_log.connectToHost(QHostAddress(QHostAddress::LocalHost), m_options.port);
}

void LinkClient::onLogConnected()
{
    m_control.connectToHost(QHostAddress(QHostAddress::LocalHost), m_options.port);
}

void LinkClient::onControlConnected()
{
    m_phase = Phase::AwaitingNumber;
    const QStringList lines = {LinkProtocol::SetAppDirKeyword, m_options.appDir, LinkProtocol::SetAppDataDirKeyword,
                               m_options.dataDir};
    m_control.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    m_control.flush();
}

void LinkClient::onLogReadyRead()
{
    while (m_log.canReadLine()) {
        QString line = QString::fromUtf8(m_log.readLine());
        line.chop(1);
        // Only the first line of a message carries its type digit.
        if (!line.isEmpty() && line.at(0).isDigit())
            print(QStringLiteral("LOG"), {line.left(1), line.mid(1)});
        else
            print(QStringLiteral("LOG"), {QStringLiteral("+"), line});
    }
}

void LinkClient::onControlReadyRead()
{
    if (m_phase == Phase::AwaitingNumber || m_phase == Phase::AwaitingVerdict)
        readHandshake();
    if (m_phase == Phase::Session)
        m_reader.readFrom(m_control);
}

void LinkClient::readHandshake()
{
    while (m_control.canReadLine()) {
        const QString line = QString::fromUtf8(m_control.readLine()).trimmed();
        if (m_phase == Phase::AwaitingNumber) {
            m_handshakeNumber = line;
            m_control.write((line + QLatin1Char('\n')).toUtf8());
            m_control.flush();
            m_phase = Phase::AwaitingVerdict;
            continue;
        }
        print(QStringLiteral("HANDSHAKE"), {m_handshakeNumber, line});
        if (line != QLatin1String(LinkProtocol::HandshakeAccepted)) {
            finish(Rejected);
            return;
        }
        m_phase = Phase::Session;
        QMetaObject::invokeMethod(this, &LinkClient::runScript, Qt::QueuedConnection);
        return;
    }
}

void LinkClient::onMessage(const LinkMessage& message)
{
    if (m_phase != Phase::Session)
        return;
    if (LinkProtocol::isEventName(message.name)) {
        print(QStringLiteral("EVENT"), QStringList{message.name} + quoted(message.arguments));
        m_unseenEvents.append(message);
        if (m_wait == Wait::Event && takeMatchingEvent())
            resume();
        return;
    }
    const QString id = message.name;
    const QString requestName = m_pendingNames.take(id);
    if (requestName.isEmpty()) {
        print(QStringLiteral("ERROR"), {QStringLiteral("reply to no pending request:"), LinkScriptSyntax::quote(id)});
        return;
    }
    print(QStringLiteral("REPLY"), QStringList{id, requestName} + quoted(message.arguments));
    if (m_wait == Wait::Reply && id == m_awaitedReply)
        resume();
}

void LinkClient::onDisconnected()
{
    if (m_phase == Phase::Over)
        return;
    onLogReadyRead();
    if (m_phase == Phase::Session)
        m_reader.readFrom(m_control);
    if (m_phase == Phase::Over)
        return;
    print(QStringLiteral("CLOSED"), {});
    if (m_phase != Phase::Session)
        finish(Rejected);
    else
        finish(m_wait == Wait::Reply || m_wait == Wait::Event ? WaitFailed : Done);
}

void LinkClient::onStdinReady()
{
    char chunk[4096];
    const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (got <= 0) {
        m_stdin->setEnabled(false);
        if (!m_stdinPartial.isEmpty())
            m_script << QString::fromUtf8(m_stdinPartial);
        m_stdinPartial.clear();
        m_inputEnded = true;
    } else {
        m_stdinPartial.append(chunk, int(got));
        for (int end = m_stdinPartial.indexOf('\n'); end >= 0; end = m_stdinPartial.indexOf('\n')) {
            m_script << QString::fromUtf8(m_stdinPartial.left(end));
            m_stdinPartial.remove(0, end + 1);
        }
    }
    runScript();
}

void LinkClient::onWaitTimeout()
{
    if (m_wait == Wait::Delay) {
        resume();
        return;
    }
    const QString awaited = m_wait == Wait::Reply ? QStringLiteral("the reply to ") + m_awaitedReply
                                                  : QStringLiteral("the event ") + m_awaitedEvent.join(QLatin1Char(' '));
    fail(QStringLiteral("timed out waiting for ") + awaited, WaitFailed);
}

void LinkClient::runScript()
{
    while (m_phase == Phase::Session && m_wait == Wait::Nothing) {
        if (m_script.isEmpty()) {
            if (m_inputEnded && !m_options.stay)
                finish(Done);
            return;
        }
        const QString line = m_script.takeFirst();
        if (line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const std::optional<QStringList> words = LinkScriptSyntax::split(line);
        if (!words) {
            fail(QStringLiteral("unreadable script line: ") + line, Failed);
            return;
        }
        if (!words->isEmpty())
            runLine(*words);
    }
}

void LinkClient::runLine(const QStringList& words)
{
    const QString command = words.first();
    const QStringList rest = words.mid(1);
    bool delayOk = false;
    const int delayMs = rest.value(0).toInt(&delayOk);
    if (command == QLatin1String("@wait") && rest.size() == 1 && delayOk && delayMs >= 0) {
        waitFor(Wait::Delay, delayMs);
    } else if (command == QLatin1String("@event") && !rest.isEmpty()) {
        m_awaitedEvent = rest;
        if (!takeMatchingEvent())
            waitFor(Wait::Event, m_options.timeoutMs);
    } else if (command == QLatin1String("@nowait") && !rest.isEmpty()) {
        sendRequest(rest);
    } else if (command == QLatin1String("@close")) {
        finish(Done);
    } else if (command.startsWith(QLatin1Char('@'))) {
        fail(QStringLiteral("unknown or incomplete directive: ") + words.join(QLatin1Char(' ')), Failed);
    } else {
        m_awaitedReply = sendRequest(words);
        waitFor(Wait::Reply, m_options.timeoutMs);
    }
}

QString LinkClient::sendRequest(const QStringList& words)
{
    const QString id = QStringLiteral("r%1").arg(m_nextId++);
    const QString name = words.first();
    m_pendingNames.insert(id, name);
    MessageWriter(&m_control).writeRequest(name, id, words.mid(1));
    // Arguments may be credentials, so only their number is shown.
    print(QStringLiteral("SENT"), {id, name, QString::number(words.size() - 1)});
    return id;
}

// Events that came before the wait began count too, so a script never misses one
// that raced ahead of the reply it was waiting for; the ones passed over are gone.
bool LinkClient::takeMatchingEvent()
{
    const QString name = m_awaitedEvent.first();
    const QStringList values = m_awaitedEvent.mid(1);
    while (!m_unseenEvents.isEmpty()) {
        const LinkMessage event = m_unseenEvents.takeFirst();
        if (event.name == name && event.arguments.mid(0, values.size()) == values)
            return true;
    }
    return false;
}

void LinkClient::waitFor(Wait wait, int ms)
{
    m_wait = wait;
    m_waitTimer.start(ms);
}

void LinkClient::resume()
{
    m_wait = Wait::Nothing;
    m_waitTimer.stop();
    QMetaObject::invokeMethod(this, &LinkClient::runScript, Qt::QueuedConnection);
}

void LinkClient::print(const QString& kind, const QStringList& words)
{
    QStringList line{QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")), kind};
    m_out << (line + words).join(QLatin1Char(' ')) << '\n';
    m_out.flush();
}

void LinkClient::fail(const QString& text, int exitCode)
{
    print(QStringLiteral("ERROR"), {text});
    finish(exitCode);
}

void LinkClient::finish(int exitCode)
{
    if (m_phase == Phase::Over)
        return;
    m_phase = Phase::Over;
    m_waitTimer.stop();
    m_connectRetry.stop();
    m_log.disconnect(this);
    m_control.disconnect(this);
    m_control.close();
    m_log.close();
    emit finished(exitCode);
}
