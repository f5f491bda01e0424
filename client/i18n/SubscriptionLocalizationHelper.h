#pragma once

#include "SubscriptionLocalizationHelperPvt.h"

#include <Subscription.h>

#include <QString>

#include <memory>

// The subscription in words, in the current language, as it was when the
// helper was made: the helper keeps a copy. A null subscription, or one of a
// kind without words, gives empty texts.
class SubscriptionLocalizationHelper
{
public:
    explicit SubscriptionLocalizationHelper(const Subscription* subscription);
    explicit SubscriptionLocalizationHelper(const SubscriptionPointer& subscription);
    ~SubscriptionLocalizationHelper();
    SubscriptionLocalizationHelper(const SubscriptionLocalizationHelper&) = delete;
    SubscriptionLocalizationHelper& operator=(const SubscriptionLocalizationHelper&) = delete;

    QString expirationTitle() const;
    QString expirationString() const;
    // format with %1 the end date and %2 the days left, for a period.
    QString expirationStringWS(const QString& format) const;
    QString limit() const;
    // Whether the end lies a year and a day or more ahead.
    bool limitIsFarFromNow() const;

private:
    std::unique_ptr<SubscriptionLocalizationHelperPvt> pvt;
};
