#pragma once

#include "AccountCommand.h"
#include "ProfileDevice.h"
#include "Subscription.h"

#include <QList>
#include <QStringList>

// The account's profile: subscription, devices, serials and e-mail addresses,
// and where this device stands among them. Sends the e-mail, device id and
// serial only where the account data has them.
class ProfileCommand : public AccountCommand
{
    Q_OBJECT
public:
    ProfileCommand(const ClientAuthData& data, QObject* parent);

    // Null when the reply names no tariff type.
    SubscriptionPointer subscription;
    bool hasPassword = false;
    QString myDeviceName;
    // This device's id is in the device list (letter case aside).
    bool myDeviceRegistered = false;
    // The serial list reaches this device's position in the device list.
    bool mySerialListed = false;
    // More devices than the limit; a limit of 0 is none.
    bool deviceLimitReached = false;
    QList<ProfileDevice> devices;
    QStringList serials;
    QStringList emails;
    QString subMgmtUrl;
    quint32 existingDeviceCount = 0;
    quint32 userDeviceLimit = 0;
    // The account data's device id when the command was made.
    const QString myDeviceId;

protected:
    bool readXml(const QDomElement& result) override;

private:
    void findMyDevice();
};
