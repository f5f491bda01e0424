#pragma once

#include <QMetaType>
#include <QSharedPointer>
#include <QString>

class QDomElement;
class Subscription;

using SubscriptionPointer = QSharedPointer<Subscription>;

// What the account has bought: a period of days or a traffic quota. Built from
// the service's profile reply; views and activation ask whether it is valid,
// expired or permanent.
class Subscription
{
public:
    // The profile reply's result element; null when it names no tariff type
    // ("lictype").
    static SubscriptionPointer fromReply(const QDomElement& result);

    virtual ~Subscription();

    virtual bool isValid() const = 0;
    virtual bool isExpired() const = 0;
    virtual bool isPermanent() const = 0;
    virtual QString name() const;
    // 0 metered, 1 unlimited.
    virtual int type() const = 0;
    virtual QString typeName() const;
    virtual bool isEqualTo(const Subscription* other) const;

    // False for a null pointer.
    bool operator==(const Subscription* other) const;

protected:
    // The first one registers SubscriptionPointer for the signals that carry it.
    Subscription(const QString& name, const QString& typeName);

private:
    QString m_name;
    QString m_typeName;
};

Q_DECLARE_METATYPE(SubscriptionPointer)

// Under the name the signals use; once per process, whoever asks first.
void registerSubscriptionPointer();
