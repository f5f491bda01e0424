#include "UnlimitedSubscription.h"

UnlimitedSubscription::UnlimitedSubscription(const QString& name, const QString& typeName, const QDateTime& notBefore,
                                             const QDateTime& notAfter, int totalDays, float leftDays,
                                             int daysBeforeStart)
    : Subscription(name, typeName)
    , m_notBefore(notBefore)
    , m_notAfter(notAfter)
    , m_totalDays(totalDays)
    , m_leftDays(leftDays)
    , m_daysBeforeStart(daysBeforeStart)
{
}

bool UnlimitedSubscription::isValid() const
{
    return m_notAfter.isValid();
}

bool UnlimitedSubscription::isExpired() const
{
    return m_leftDays <= 0.0f || m_daysBeforeStart > 0;
}

bool UnlimitedSubscription::isPermanent() const
{
    return m_notAfter.date().year() > 2050;
}

int UnlimitedSubscription::type() const
{
    return Type;
}

bool UnlimitedSubscription::isEqualTo(const Subscription* other) const
{
    const auto* that = dynamic_cast<const UnlimitedSubscription*>(other);
    return that && name() == that->name() && typeName() == that->typeName() && m_notBefore == that->m_notBefore
           && m_notAfter == that->m_notAfter && m_totalDays == that->m_totalDays;
}
