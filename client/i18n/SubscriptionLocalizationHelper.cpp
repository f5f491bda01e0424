#include "SubscriptionLocalizationHelper.h"

#include "Clock.h"
#include "SharedTexts.h"

#include <MeteredSubscription.h>
#include <UnlimitedSubscription.h>

#include <QCoreApplication>
#include <QDebug>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 SecondsInDay = 24 * 60 * 60;
// An end this many days ahead is too far for the expiry line.
constexpr qint64 FarDays = 366;

class UnlimitedSubscriptionLocalizationHelper : public SubscriptionLocalizationHelperPvt
{
public:
    explicit UnlimitedSubscriptionLocalizationHelper(const UnlimitedSubscription& subscription)
        : subscription(subscription)
    {
    }

    QString expirationTitle() const override
    {
        return subscription.isExpired() ? tr("Expired on ") : tr("Renews on ");
    }

    QString expirationString() const override
    {
        if (subscription.daysBeforeStart() >= 1)
            return tr("Your subscription activates after %1 day(s)").arg(subscription.daysBeforeStart());
        return (subscription.leftDays() <= 0 ? tr("Your subscription has expired on<br>")
                                             : tr("Your subscription expires on<br>"))
            + limit();
    }

    QString expirationStringWS(const QString& format) const override
    {
        // Bounded before it becomes an integer: the service's number is a float.
        const double days = qBound(-1e9, std::ceil(double(subscription.leftDays())), 1e9);
        return format.arg(endDate(tr("MMMM d, yyyy")), QString::number(qint64(days)));
    }

    QString limit() const override
    {
        return QStringLiteral("<span style=\"font-family: KievitOT-Book, Kievit OT; font-weight: bold;\">%1</span>")
            .arg(endDate(tr("MMMM dd, yyyy")));
    }

    bool limitIsFarFromNow() const override
    {
        const QDateTime end = subscription.notAfter();
        return end.isValid() && Clock::now().secsTo(end) / SecondsInDay >= FarDays;
    }

private:
    static QString tr(const char* text) { return QCoreApplication::translate("UnlimitedSubscription", text); }

    // In local time and the interface language; empty without an end date.
    QString endDate(const QString& pattern) const
    {
        const QDateTime end = subscription.notAfter();
        return end.isValid() ? QLocale().toString(end.toLocalTime(), pattern) : QString();
    }

    const UnlimitedSubscription subscription;
};

class MeteredSubscriptionLocalizationHelper : public SubscriptionLocalizationHelperPvt
{
public:
    // "None" (-1) counts as nothing left and nothing bought.
    explicit MeteredSubscriptionLocalizationHelper(const MeteredSubscription& subscription)
        : remaining(std::max<qint64>(subscription.quota(), 0))
        , initial(std::max<qint64>(subscription.initialQuota(), 0))
    {
    }

    QString expirationTitle() const override { return tr("Data Remaining: "); }

    QString expirationString() const override
    {
        if (remaining < 1)
            return tr("You have reached data limit of %1").arg(trafficInBytesToText(initial, false));
        if (initial > remaining) {
            return tr("Your subscription is active<br>You have used %1 of %2")
                .arg(trafficInBytesToText(initial - remaining, false), trafficInBytesToText(initial, false));
        }
        return tr("Your subscription is active<br>You have %1 of data left").arg(trafficInBytesToText(remaining, false));
    }

    QString expirationStringWS(const QString&) const override { return QString(); }
    QString limit() const override { return trafficInBytesToText(remaining, true); }
    bool limitIsFarFromNow() const override { return false; }

private:
    static QString tr(const char* text) { return QCoreApplication::translate("MeteredSubscription", text); }

    const qint64 remaining;
    const qint64 initial;
};

std::unique_ptr<SubscriptionLocalizationHelperPvt> makeHelper(const Subscription* subscription)
{
    if (!subscription) {
        qCritical() << "ERROR SubscriptionLocalizationHelper made without a subscription.";
        return nullptr;
    }
    const int type = subscription->type();
    if (type == MeteredSubscription::Type) {
        if (auto metered = dynamic_cast<const MeteredSubscription*>(subscription))
            return std::make_unique<MeteredSubscriptionLocalizationHelper>(*metered);
    } else if (type == UnlimitedSubscription::Type) {
        if (auto unlimited = dynamic_cast<const UnlimitedSubscription*>(subscription))
            return std::make_unique<UnlimitedSubscriptionLocalizationHelper>(*unlimited);
    }
    qCritical("ERROR SubscriptionLocalizationHelper not implemented yet for \"%d\" subscription type.", type);
    return nullptr;
}

} // namespace

SubscriptionLocalizationHelper::SubscriptionLocalizationHelper(const Subscription* subscription)
    : pvt(makeHelper(subscription))
{
}

SubscriptionLocalizationHelper::SubscriptionLocalizationHelper(const SubscriptionPointer& subscription)
    : SubscriptionLocalizationHelper(subscription.data())
{
}

SubscriptionLocalizationHelper::~SubscriptionLocalizationHelper() = default;

QString SubscriptionLocalizationHelper::expirationTitle() const
{
    return pvt ? pvt->expirationTitle() : QString();
}

QString SubscriptionLocalizationHelper::expirationString() const
{
    return pvt ? pvt->expirationString() : QString();
}

QString SubscriptionLocalizationHelper::expirationStringWS(const QString& format) const
{
    return pvt ? pvt->expirationStringWS(format) : QString();
}

QString SubscriptionLocalizationHelper::limit() const
{
    return pvt ? pvt->limit() : QString();
}

bool SubscriptionLocalizationHelper::limitIsFarFromNow() const
{
    return pvt && pvt->limitIsFarFromNow();
}
