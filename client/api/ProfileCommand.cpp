#include "ProfileCommand.h"

#include "ClientAuthData.h"
#include "ReplyFields.h"

#include <QDebug>
#include <QDomElement>

#include <functional>

namespace {

// Every child element of the list, whatever its name, in order.
void forEachItem(const QDomElement& result, const QString& list, const std::function<void(const QDomElement&)>& take)
{
    for (QDomElement item = result.firstChildElement(list).firstChildElement(); !item.isNull();
         item = item.nextSiblingElement())
        take(item);
}

QString deviceLine(const ProfileDevice& device)
{
    return device.devid + QLatin1String(" - ") + device.deviceName;
}

} // namespace

ProfileCommand::ProfileCommand(const ClientAuthData& data, QObject* parent)
    : AccountCommand(QStringLiteral("profile"), data, {}, parent)
    , myDeviceId(data.deviceId())
{
    if (data.isEmailValid())
        send(Email, data);
    if (data.isDevIdValid())
        send(DeviceId, data);
    if (data.isSerialValid())
        send(Serial, data);
}

bool ProfileCommand::readXml(const QDomElement& result)
{
    subscription = Subscription::fromReply(result);
    devices.clear();
    forEachItem(result, QStringLiteral("devlist"), [this](const QDomElement& item) {
        devices << ProfileDevice{ReplyFields::text(item, QStringLiteral("devid")),
                                 ReplyFields::text(item, QStringLiteral("device_name"))};
    });
    serials.clear();
    forEachItem(result, QStringLiteral("seriallist"),
                [this](const QDomElement& item) { serials << ReplyFields::text(item, QStringLiteral("serial")); });
    emails.clear();
    forEachItem(result, QStringLiteral("emaillist"),
                [this](const QDomElement& item) { emails << ReplyFields::text(item, QStringLiteral("email")); });
    hasPassword = ReplyFields::unsignedNumber(ReplyFields::text(result, QStringLiteral("has_password"))) != 0;
    subMgmtUrl = ReplyFields::text(result, QStringLiteral("submgmturl"));
    existingDeviceCount = ReplyFields::unsignedNumber(ReplyFields::text(result, QStringLiteral("existing_device_count")));
    userDeviceLimit = ReplyFields::unsignedNumber(ReplyFields::text(result, QStringLiteral("user_device_limit")));
    deviceLimitReached = userDeviceLimit != 0 && existingDeviceCount > userDeviceLimit;
    findMyDevice();
    return true;
}

void ProfileCommand::findMyDevice()
{
    qDebug("Profile device list:");
    for (const ProfileDevice& device : qAsConst(devices))
        qDebug().noquote() << deviceLine(device);
    for (int i = 0; i < devices.size(); ++i) {
        if (devices[i].devid.compare(myDeviceId, Qt::CaseInsensitive) == 0) {
            qDebug().noquote() << "My device : " + deviceLine(devices[i]);
            myDeviceRegistered = true;
            myDeviceName = devices[i].deviceName;
            mySerialListed = serials.size() > i;
            return;
        }
    }
    myDeviceRegistered = false;
    qDebug("No my device");
}
