#include "MeteredSubscription.h"

MeteredSubscription::MeteredSubscription(const QString& name, const QString& typeName, qint64 quota,
                                         qint64 initialQuota)
    : Subscription(name, typeName)
    , m_quota(quota)
    , m_initialQuota(initialQuota)
{
}

bool MeteredSubscription::isValid() const
{
    return m_quota != -1 || m_initialQuota != -1;
}

bool MeteredSubscription::isExpired() const
{
    return m_quota != -1 && m_quota < 1;
}

bool MeteredSubscription::isPermanent() const
{
    return false;
}

int MeteredSubscription::type() const
{
    return Type;
}

bool MeteredSubscription::isEqualTo(const Subscription* other) const
{
    const auto* that = dynamic_cast<const MeteredSubscription*>(other);
    return that && name() == that->name() && typeName() == that->typeName() && m_quota == that->m_quota
           && m_initialQuota == that->m_initialQuota;
}
