#pragma once

#include "Subscription.h"

#include <QDateTime>
#include <QObject>
#include <QSharedPointer>
#include <QString>

class Storage;

// What the client knows of the signed-in account and this device; every service
// command copies what it sends from one. The shared instance mirrors e-mail,
// password and serial into the account store; temporary ones (a plain password
// on its way to be encrypted) have no store and never touch it.
// A setter with a signal emits it every time, also when the value stays the same.
class ClientAuthData : public QObject
{
    Q_OBJECT
public:
    explicit ClientAuthData(QObject* parent = nullptr);

    // The platform's id of this application, else the hardware addresses of the
    // interfaces up. The first id found is kept for the life of the process;
    // while there is none every call tries again. verbose logs at critical
    // level, else at debug level.
    static QString generateDeviceId(bool verbose);

    // Ties the instance to the store and loads e-mail, password and serial. A
    // null store does nothing.
    void initFromStorage(QSharedPointer<Storage> storage);

    QString appId() const { return m_appId; }
    QString deviceId() const { return m_deviceId; }
    bool isMyDeviceRegistered() const { return m_myDeviceRegistered; }
    QString devName() const { return m_devName; }
    QString email() const { return m_email; }
    // As the service encrypted it; only a temporary instance holds a plain one.
    QString password() const { return m_password; }
    QString serial() const { return m_serial; }
    QDateTime oldPasswordTime() const { return m_oldPasswordTime; }
    uint deviceCount() const { return m_deviceCount; }
    // 0: the service set none.
    uint deviceLimit() const { return m_deviceLimit; }
    SubscriptionPointer subscription() const { return m_subscription; }
    QSharedPointer<Storage> storage() const { return m_storage; }

    // Written to the store but saved only by its next save.
    void setEmail(const QString& email);
    // Both saved at once.
    void setPassword(const QString& password);
    void setSerial(const QString& serial);
    void setDevName(const QString& devName);
    // Signals the empty name before the device counts as unregistered.
    void resetDevName();
    void setMyDeviceRegistered(bool registered);
    void setDevicesNumber(const uint& deviceLimit, const uint& deviceCount);
    void setOldPasswordTime(const QDateTime& time);
    void setSubscription(SubscriptionPointer subscription);

    // Non-empty; nothing more is checked.
    bool isDevIdValid() const;
    bool isDevNameValid() const;
    bool isEmailValid() const;
    bool isPasswordValid() const;
    bool isSerialValid() const;

    // Forgets e-mail, device name, password, serial and subscription, in memory
    // and in the store.
    void invalidate();
    // Forgets password and serial.
    void invalidatePassword();
    void invalidateSubscription();

signals:
    void devNameChanged(QString devName);
    void emailChanged(QString email);
    void passwordChanged(QString password);
    void serialChanged(QString serial);
    void subscriptionChanged(SubscriptionPointer sub);
    void devicesNumberChanged(uint deviceLimit, uint deviceCount);

private:
    QString m_appId;
    QString m_deviceId;
    bool m_myDeviceRegistered = false;
    QString m_devName;
    QString m_email;
    QString m_password;
    QString m_serial;
    QDateTime m_oldPasswordTime;
    uint m_deviceCount = 0;
    uint m_deviceLimit = 0;
    SubscriptionPointer m_subscription;
    QSharedPointer<Storage> m_storage;
};
