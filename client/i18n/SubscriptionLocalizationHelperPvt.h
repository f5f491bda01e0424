#pragma once

#include <QString>

// What a kind of subscription says about itself; one implementation per kind.
class SubscriptionLocalizationHelperPvt
{
public:
    virtual ~SubscriptionLocalizationHelperPvt() = default;

    virtual QString expirationTitle() const = 0;
    virtual QString expirationString() const = 0;
    virtual QString expirationStringWS(const QString& format) const = 0;
    virtual QString limit() const = 0;
    virtual bool limitIsFarFromNow() const = 0;
};
