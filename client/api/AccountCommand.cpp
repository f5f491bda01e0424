#include "AccountCommand.h"

#include "ClientAuthData.h"

AccountCommand::AccountCommand(const QString& act, const ClientAuthData& data, std::initializer_list<Field> fields,
                               QObject* parent, const QString& path)
    : HttpCommand(act, path, parent)
{
    send(QStringLiteral("appid"), data.appId());
    for (Field field : fields)
        send(field, data);
}

void AccountCommand::send(Field field, const ClientAuthData& data)
{
    switch (field) {
    case Email:
        send(QStringLiteral("email"), data.email());
        break;
    case EncryptedPassword:
        send(QStringLiteral("encrypted_password"), data.password());
        break;
    case DeviceId:
        send(QStringLiteral("devid"), data.deviceId());
        break;
    case DeviceName:
        send(QStringLiteral("devname"), data.devName());
        break;
    case Serial:
        send(QStringLiteral("serial"), data.serial());
        break;
    }
}
