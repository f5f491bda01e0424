#include "UsageCommand.h"

#include "ReplyFields.h"

#include <QDomElement>

#include <algorithm>
#include <climits>

namespace {

const QString Element = QStringLiteral("element");

// "h:m:s" in seconds. Hours may pass 23; a total beyond what the field holds
// (or below 0) says nothing about the session and counts as 0.
qint32 durationOf(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return 0;
    const qint64 seconds = qint64(ReplyFields::signedNumber(parts[0])) * 3600
                           + qint64(ReplyFields::signedNumber(parts[1])) * 60 + ReplyFields::signedNumber(parts[2]);
    return seconds < 0 || seconds > INT_MAX ? 0 : qint32(seconds);
}

// "yyyy-MM-dd HH:mm:ss" in UTC; read apart so that no local clock change can
// shift or lose it.
QDateTime startOf(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() != 2)
        return QDateTime();
    const QDate date = QDate::fromString(parts[0], QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(parts[1], QStringLiteral("HH:mm:ss"));
    return date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

// Unreadable starts first, so that they sort consistently.
qint64 sortKey(const DataSession& session)
{
    return session.start.isValid() ? session.start.toMSecsSinceEpoch() : LLONG_MIN;
}

} // namespace

UsageCommand::UsageCommand(const ClientAuthData& auth, SpanType spanType, unsigned int span, QObject* parent)
    : AccountCommand(QStringLiteral("usage"), auth, {Serial}, parent)
{
    send(QStringLiteral("spanflag"), spanType == Days ? QStringLiteral("days") : QStringLiteral("sessions"));
    send(QStringLiteral("span"), QString::number(span));
}

bool UsageCommand::readXml(const QDomElement& result)
{
    sessions.clear();
    allSessions.clear();
    activeSession = DataSession();
    QDomElement current = result.firstChildElement(QStringLiteral("sessions"));
    if (!current.isNull())
        sessions = readSessions(current, true);
    QDomElement all = result.firstChildElement(QStringLiteral("all_sessions"));
    if (!all.isNull())
        allSessions = readSessions(all, false);
    return true;
}

QList<DataSession> UsageCommand::readSessions(QDomElement& parent, bool findActive)
{
    if (findActive)
        activeSession = DataSession();
    QList<DataSession> result;
    for (QDomElement item = parent.firstChildElement(Element); !item.isNull(); item = item.nextSiblingElement(Element)) {
        const DataSession session = readSession(item);
        const QDomElement active = item.firstChildElement(QStringLiteral("active"));
        if (findActive && !activeSession.start.isValid() && !active.isNull()
            && ReplyFields::signedNumber(active.text()) == 1)
            activeSession = session;
        result << session;
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const DataSession& a, const DataSession& b) { return sortKey(a) < sortKey(b); });
    return result;
}

DataSession UsageCommand::readSession(const QDomElement& element)
{
    DataSession session;
    session.start = startOf(ReplyFields::text(element, QStringLiteral("date_of_usage")));
    session.traffic = ReplyFields::decimal(ReplyFields::text(element, QStringLiteral("traffic_mb")));
    session.savings = ReplyFields::decimal(ReplyFields::text(element, QStringLiteral("savings")));
    session.adHits = ReplyFields::signedNumber(ReplyFields::text(element, QStringLiteral("ad_hit")));
    session.duration = durationOf(ReplyFields::text(element, QStringLiteral("duration")));
    return session;
}
