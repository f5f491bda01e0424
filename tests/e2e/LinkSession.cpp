#include "LinkSession.h"

#include "Poll.h"
#include "TestBed.h"

#include <LinkProtocol.h>
#include <LinkScriptSyntax.h>

LinkSession::LinkSession(const TestBed& bed, QObject* parent)
    : QObject(parent)
    , m_bed(bed)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &LinkSession::onOutput);
    m_clock.start();
}

LinkSession::~LinkSession()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    close();
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool LinkSession::open(int timeoutMs)
{
    m_bed.start(m_process, QStringLiteral(OZM_LINK_CLIENT),
                {QStringLiteral("--app-dir"), m_bed.appDir(), QStringLiteral("--data-dir"), m_bed.dataDir(),
                 QStringLiteral("--timeout"), QString::number(timeoutMs), QStringLiteral("--stay")});
    return Poll::until([this] { return !m_handshake.isEmpty() || m_process.state() == QProcess::NotRunning; },
                       timeoutMs)
        && m_handshake == QStringList{QString::number(LinkProtocol::HandshakeNumber), LinkProtocol::HandshakeAccepted};
}

void LinkSession::request(const QString& name, const QStringList& arguments)
{
    QStringList words{name};
    for (const QString& argument : arguments)
        words << LinkScriptSyntax::quote(argument);
    // A plain request line would hold the script until its reply; the test does its own waiting.
    m_process.write((QStringLiteral("@nowait ") + words.join(QLatin1Char(' ')) + QLatin1Char('\n')).toUtf8());
}

void LinkSession::close()
{
    m_process.write("@close\n");
}

std::optional<LinkSession::Event> LinkSession::nextEvent(const QString& name, const QStringList& values,
                                                         int timeoutMs)
{
    return takeEvent(
        [&](const Event& event) { return event.name == name && event.values.mid(0, values.size()) == values; },
        timeoutMs);
}

std::optional<LinkSession::Event> LinkSession::nextEventOf(const QStringList& names, int timeoutMs)
{
    return takeEvent([&](const Event& event) { return names.contains(event.name); }, timeoutMs);
}

std::optional<qint64> LinkSession::waitForReply(const QString& name, int timeoutMs)
{
    std::optional<qint64> received;
    Poll::until(
        [&] {
            const auto reply = std::find_if(m_replies.begin(), m_replies.end(),
                                            [&](const Reply& r) { return r.name == name; });
            if (reply == m_replies.end())
                return false;
            received = reply->receivedMs;
            m_replies.erase(reply);
            return true;
        },
        timeoutMs);
    return received;
}

std::optional<LinkSession::Event> LinkSession::takeEvent(const std::function<bool(const Event&)>& matches,
                                                         int timeoutMs)
{
    std::optional<Event> found;
    Poll::until(
        [&] {
            for (; m_nextEvent < m_events.size() && !found; ++m_nextEvent) {
                if (matches(m_events.at(m_nextEvent)))
                    found = m_events.at(m_nextEvent);
            }
            return found.has_value();
        },
        timeoutMs);
    return found;
}

// Lines read "TIME KIND WORDS...", where event and reply values are quoted words.
void LinkSession::onOutput()
{
    m_partial += m_process.readAllStandardOutput();
    for (int end = m_partial.indexOf('\n'); end >= 0; end = m_partial.indexOf('\n')) {
        const QString line = QString::fromUtf8(m_partial.left(end));
        m_partial.remove(0, end + 1);
        m_transcript << line;
        const QString kind = line.section(QLatin1Char(' '), 1, 1);
        if (kind == QLatin1String("HANDSHAKE")) {
            m_handshake = line.section(QLatin1Char(' '), 2).split(QLatin1Char(' '));
        } else if (kind == QLatin1String("EVENT") || kind == QLatin1String("REPLY")) {
            const QStringList words = LinkScriptSyntax::split(line.section(QLatin1Char(' '), 2)).value_or(QStringList());
            if (words.isEmpty())
                continue;
            if (kind == QLatin1String("EVENT"))
                m_events << Event{words.first(), words.mid(1), m_clock.elapsed()};
            else
                m_replies << Reply{words.value(1), m_clock.elapsed()};
        }
    }
}
