#pragma once

#include "Subscription.h"

#include <QDateTime>

// A period of days; its end past 2050 makes it permanent.
class UnlimitedSubscription : public Subscription
{
public:
    static constexpr int Type = 1;

    // The dates in UTC; -1 (-1.0) where the service gave no number.
    UnlimitedSubscription(const QString& name, const QString& typeName, const QDateTime& notBefore,
                          const QDateTime& notAfter, int totalDays, float leftDays, int daysBeforeStart);

    bool isValid() const override;
    bool isExpired() const override;
    bool isPermanent() const override;
    int type() const override;
    // The days left and before the start change by the day: they do not count.
    bool isEqualTo(const Subscription* other) const override;

    QDateTime notBefore() const { return m_notBefore; }
    QDateTime notAfter() const { return m_notAfter; }
    int totalDays() const { return m_totalDays; }
    float leftDays() const { return m_leftDays; }
    int daysBeforeStart() const { return m_daysBeforeStart; }

private:
    QDateTime m_notBefore;
    QDateTime m_notAfter;
    int m_totalDays;
    float m_leftDays;
    int m_daysBeforeStart;
};
