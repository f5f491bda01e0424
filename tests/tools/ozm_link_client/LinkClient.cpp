#include "LinkClient.h"

#include "LinkScriptSyntax.h"
#include "StdinLines.h"

#include <LinkHandshake.h>
#include <LinkProtocol.h>

#include <QAbstractEventDispatcher>
#include <QHostAddress>
#include <QTime>

#include <cstdio>
#include <utility>

namespace {
constexpr int ConnectRetryMs = 100;

// HH:mm:ss.zzz. QTime::toString() would go through the locale's calendar for it,
// which costs more than the rest of a line together.
QString clockText(const QTime& time)
{
    const int ms = time.msecsSinceStartOfDay();
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    return QString::fromLatin1(text);
}

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
    , m_out(stdout)
    , m_startTime(QTime::currentTime())
{
    m_sinceStart.start();
    m_out.setCodec("UTF-8");
    // Everything printed is out before the client waits for anything, in one
    // write rather than one a line.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] { m_out.flush(); });
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
        auto* input = new StdinLines(this);
        connect(input, &StdinLines::lineRead, this, [this](const QString& line) {
            m_script << line;
            runScript();
        });
        connect(input, &StdinLines::ended, this, [this] {
            m_inputEnded = true;
            runScript();
        });
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
    m_phase = Phase::Handshake;
    // The client's own limit: a short --timeout is meant for the script's waits.
    const LinkHandshake::Outcome outcome = LinkHandshake::run(m_control, m_options.appDir, m_options.dataDir);
    if (!outcome.rootPeer) {
        fail(QStringLiteral("the backend's connection is not root's"), Rejected);
        return;
    }
    if (!outcome.number) {
        print(QStringLiteral("CLOSED"), {});
        finish(Rejected);
        return;
    }
    QStringList lines{*outcome.number};
    if (outcome.verdict)
        lines << *outcome.verdict;
    print(QStringLiteral("HANDSHAKE"), lines);
    if (outcome.accepted())
        startSession();
    else
        finish(Rejected);
}

void LinkClient::startSession()
{
    m_phase = Phase::Session;
    m_channel = std::make_unique<LinkChannel>(
        &m_control, QStringLiteral("ozm_link_client"),
        LinkChannel::Handlers{LinkProtocol::isEventName,
                              [this](const QString& name, const QStringList& values) { onEvent(name, values); },
                              [this](const QString& id, const QStringList&) {
                                  print(QStringLiteral("ERROR"),
                                        {QStringLiteral("reply to no pending request:"), LinkScriptSyntax::quote(id)});
                              }});
    // Events sent right behind the verdict came in with it.
    m_channel->read();
    QMetaObject::invokeMethod(this, &LinkClient::runScript, Qt::QueuedConnection);
}

void LinkClient::onLogReadyRead()
{
    for (const BackendLogReader::Line& line : m_logReader.feed(m_log.read(m_log.bytesAvailable())))
        print(QStringLiteral("LOG"), {line.continued ? QStringLiteral("+") : QString::number(line.type), line.text});
}

void LinkClient::onControlReadyRead()
{
    if (m_phase != Phase::Session)
        return;
    m_reading = true;
    m_channel->read();
    m_reading = false;
    if (std::exchange(m_resumeAfterReading, false))
        runScript();
}

void LinkClient::onEvent(const QString& name, const QStringList& values)
{
    print(QStringLiteral("EVENT"), QStringList{name} + quoted(values));
    m_unseenEvents.append({name, QString(), values});
    if (m_wait == Wait::Event && takeMatchingEvent())
        resume();
}

void LinkClient::onReply(const QString& id, const QString& name, const QStringList& values)
{
    print(QStringLiteral("REPLY"), QStringList{id, name} + quoted(values));
    if (m_wait == Wait::Reply && id == m_awaitedReply)
        resume();
}

void LinkClient::onDisconnected()
{
    // The handshake sees the connection end itself.
    if (m_phase == Phase::Over || m_phase == Phase::Handshake)
        return;
    onLogReadyRead();
    if (m_phase == Phase::Session)
        m_channel->read();
    if (m_phase == Phase::Over)
        return;
    print(QStringLiteral("CLOSED"), {});
    if (m_phase != Phase::Session)
        finish(Rejected);
    else
        finish(m_wait == Wait::Reply || m_wait == Wait::Event ? WaitFailed : Done);
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
    const QString name = words.first();
    const QString id = m_channel->send(name, words.mid(1), [this, name](const QString& id, const QStringList& values) {
        onReply(id, name, values);
    });
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
    // The script goes on once everything read along with what it waited for is
    // printed: right after the reading when it came in over the connection, else
    // on the next turn of the event loop.
    if (m_reading)
        m_resumeAfterReading = true;
    else
        QMetaObject::invokeMethod(this, &LinkClient::runScript, Qt::QueuedConnection);
}

// The wall clock is read once: looking it up for every line would have the
// time zone checked every time, which costs more than all the rest of a line.
// Lines of one millisecond share their stamp.
void LinkClient::print(const QString& kind, const QStringList& words)
{
    const qint64 elapsed = m_sinceStart.elapsed();
    if (elapsed != m_stampedAt) {
        m_stampedAt = elapsed;
        m_stamp = clockText(m_startTime.addMSecs(int(elapsed)));
    }
    m_out << m_stamp << ' ' << kind;
    for (const QString& word : words)
        m_out << ' ' << word;
    m_out << '\n';
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
    m_out.flush();
    emit finished(exitCode);
}
