#pragma once

#include "Subscription.h"

// A traffic quota in bytes.
class MeteredSubscription : public Subscription
{
public:
    static constexpr int Type = 0;

    // -1 where the service gave no readable amount.
    MeteredSubscription(const QString& name, const QString& typeName, qint64 quota, qint64 initialQuota);

    bool isValid() const override;
    bool isExpired() const override;
    bool isPermanent() const override;
    int type() const override;
    bool isEqualTo(const Subscription* other) const override;

    // Bytes left.
    qint64 quota() const { return m_quota; }
    qint64 initialQuota() const { return m_initialQuota; }

private:
    qint64 m_quota;
    qint64 m_initialQuota;
};
