#include "ClientAuthData.h"

#include "AppConstants.h"
#include "HostProbes.h"
#include "NetTools.h"
#include "SecretMasking.h"
#include "Storage.h"

#include <QDebug>
#include <QMutex>

namespace {

// Written once, by the first call that finds an id.
QMutex deviceIdLock;
QString cachedDeviceId;
QString cachedDeviceIdKind;

void logDeviceId(bool verbose, const QString& line)
{
    if (verbose)
        qCritical().noquote() << line;
    else
        qDebug().noquote() << line;
}

QString presence(const QString& secret)
{
    return secret.isEmpty() ? QStringLiteral("not set") : QStringLiteral("set");
}

} // namespace

ClientAuthData::ClientAuthData(QObject* parent)
    : QObject(parent)
    , m_appId(appID())
    , m_deviceId(generateDeviceId(false))
{
    // Its signal may be queued before any subscription was ever made.
    registerSubscriptionPointer();
}

QString ClientAuthData::generateDeviceId(bool verbose)
{
    QString id = GetPlatformUUID(verbose);
    QString kind = QStringLiteral("UUID");
    QStringList reasons;
    if (id.isEmpty()) {
        reasons << QStringLiteral("Empty UUID");
        id = NetTools::getMacAddresses(QString());
        kind = QStringLiteral("MAC");
        if (id.isEmpty())
            reasons << QStringLiteral("Empty MAC");
    }
    QMutexLocker lock(&deviceIdLock);
    if (!cachedDeviceId.isEmpty()) {
        logDeviceId(verbose, QStringLiteral("Using cached %1 device id: %2").arg(cachedDeviceIdKind, cachedDeviceId));
        return cachedDeviceId;
    }
    if (id.isEmpty()) {
        logDeviceId(verbose, QStringLiteral("ERROR Device Id is empty: ") + reasons.join(QStringLiteral(", ")));
        return QString();
    }
    cachedDeviceId = id;
    cachedDeviceIdKind = kind;
    logDeviceId(verbose, QStringLiteral("Generated and cached %1 device id: %2").arg(kind, id));
    return id;
}

void ClientAuthData::initFromStorage(QSharedPointer<Storage> storage)
{
    if (!storage)
        return;
    m_storage = storage;
    m_email = storage->userEmail();
    m_password = storage->userPassword();
    rememberSecret(m_password);
    m_serial = storage->serial();
    qDebug().noquote() << "Startup: Email" << m_email << "Password" << presence(m_password) << "Serial"
                       << presence(m_serial);
    emit emailChanged(m_email);
    emit passwordChanged(m_password);
    emit serialChanged(m_serial);
    emit subscriptionChanged(m_subscription);
}

void ClientAuthData::setEmail(const QString& email)
{
    m_email = email;
    if (m_storage)
        m_storage->setUserEmail(email);
    emit emailChanged(m_email);
}

void ClientAuthData::setPassword(const QString& password)
{
    m_password = password;
    rememberSecret(password);
    if (m_storage) {
        m_storage->setUserPassword(password);
        m_storage->save();
    }
    emit passwordChanged(m_password);
}

void ClientAuthData::setSerial(const QString& serial)
{
    m_serial = serial;
    if (m_storage) {
        m_storage->setSerial(serial);
        m_storage->save();
    }
    emit serialChanged(m_serial);
}

void ClientAuthData::setDevName(const QString& devName)
{
    m_devName = devName;
    emit devNameChanged(m_devName);
}

void ClientAuthData::resetDevName()
{
    setDevName(QString());
    m_myDeviceRegistered = false;
}

void ClientAuthData::setMyDeviceRegistered(bool registered)
{
    m_myDeviceRegistered = registered;
}

void ClientAuthData::setDevicesNumber(const uint& deviceLimit, const uint& deviceCount)
{
    m_deviceLimit = deviceLimit;
    m_deviceCount = deviceCount;
    emit devicesNumberChanged(m_deviceLimit, m_deviceCount);
}

void ClientAuthData::setOldPasswordTime(const QDateTime& time)
{
    m_oldPasswordTime = time;
}

void ClientAuthData::setSubscription(SubscriptionPointer subscription)
{
    m_subscription = subscription;
    emit subscriptionChanged(m_subscription);
}

bool ClientAuthData::isDevIdValid() const
{
    return !m_deviceId.isEmpty();
}

bool ClientAuthData::isDevNameValid() const
{
    return !m_devName.isEmpty();
}

bool ClientAuthData::isEmailValid() const
{
    return !m_email.isEmpty();
}

bool ClientAuthData::isPasswordValid() const
{
    return !m_password.isEmpty();
}

bool ClientAuthData::isSerialValid() const
{
    return !m_serial.isEmpty();
}

void ClientAuthData::invalidate()
{
    setEmail(QString());
    setDevName(QString());
    setPassword(QString());
    setSerial(QString());
    setSubscription(SubscriptionPointer());
    if (m_storage)
        m_storage->invalidate();
}

void ClientAuthData::invalidatePassword()
{
    setPassword(QString());
    setSerial(QString());
    if (m_storage)
        m_storage->save();
}

void ClientAuthData::invalidateSubscription()
{
    setSubscription(SubscriptionPointer());
}
