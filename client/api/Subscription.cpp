#include "Subscription.h"

#include "MeteredSubscription.h"
#include "ReplyFields.h"
#include "UnlimitedSubscription.h"

#include <QDomElement>

#include <cfloat>
#include <climits>
#include <cmath>

namespace {

// The service's numbers are decimal texts of any size: whatever is not finite
// or does not fit its field counts as not given, the same as unreadable text.

// 2^63, exact as a double: the first value past the range of qint64.
constexpr double Int64Limit = 9223372036854775808.0;

// Decimal megabytes ("250MB", "0.5mb") in bytes, truncated toward zero.
qint64 bytesOf(QString text)
{
    if (text.endsWith(QLatin1String("mb"), Qt::CaseInsensitive))
        text.chop(2);
    bool ok = false;
    const double bytes = std::trunc(text.toDouble(&ok) * 1000.0 * 1000.0);
    return ok && bytes >= -Int64Limit && bytes < Int64Limit ? qint64(bytes) : -1;
}

int wholeDaysOf(const QString& text)
{
    bool ok = false;
    const double days = std::trunc(text.toDouble(&ok));
    return ok && days >= double(INT_MIN) && days <= double(INT_MAX) ? int(days) : -1;
}

float daysOf(const QString& text)
{
    bool ok = false;
    const double days = text.toDouble(&ok);
    return ok && std::fabs(days) <= double(FLT_MAX) ? float(days) : -1.0f;
}

int intOf(const QString& text, int unreadable)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    return ok ? number : unreadable;
}

// A wall-clock time in UTC, "yyyy-MM-dd hh:mm:ss". Read apart from the local
// zone, where a time in a spring-forward gap would not exist.
QDateTime utcTimeOf(const QString& text)
{
    if (text.size() != 19 || text.at(10) != QLatin1Char(' '))
        return QDateTime();
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(text.mid(11), QStringLiteral("hh:mm:ss"));
    return date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

} // namespace

void registerSubscriptionPointer()
{
    static const int id = qRegisterMetaType<SubscriptionPointer>("SubscriptionPointer");
    Q_UNUSED(id)
}

SubscriptionPointer Subscription::fromReply(const QDomElement& result)
{
    const QDomElement licType = result.firstChildElement(QStringLiteral("lictype"));
    if (licType.isNull())
        return SubscriptionPointer();
    const QString name = ReplyFields::text(result, QStringLiteral("tariff_name"));
    const QDomElement accountType = result.firstChildElement(QStringLiteral("account_type"));
    if (!accountType.isNull() && intOf(accountType.text(), 0) == MeteredSubscription::Type)
        return SubscriptionPointer(new MeteredSubscription(
            name, licType.text(), bytesOf(ReplyFields::text(result, QStringLiteral("quotalabel"))),
            bytesOf(ReplyFields::text(result, QStringLiteral("initial_quotalabel")))));
    return SubscriptionPointer(new UnlimitedSubscription(
        name, licType.text(), utcTimeOf(ReplyFields::text(result, QStringLiteral("not_before"))),
        utcTimeOf(ReplyFields::text(result, QStringLiteral("not_after"))),
        wholeDaysOf(ReplyFields::text(result, QStringLiteral("total_days"))),
        daysOf(ReplyFields::text(result, QStringLiteral("left_days"))),
        intOf(ReplyFields::text(result, QStringLiteral("days_before_start")), -1)));
}

Subscription::Subscription(const QString& name, const QString& typeName)
    : m_name(name)
    , m_typeName(typeName)
{
    registerSubscriptionPointer();
}

Subscription::~Subscription() = default;

QString Subscription::name() const
{
    return m_name;
}

QString Subscription::typeName() const
{
    return m_typeName;
}

bool Subscription::isEqualTo(const Subscription*) const
{
    return false;
}

bool Subscription::operator==(const Subscription* other) const
{
    return other && isEqualTo(other);
}
