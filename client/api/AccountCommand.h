#pragma once

#include "HttpCommand.h"

#include <initializer_list>

class ClientAuthData;

// A command on the account or its devices: "appid" and the account data's
// values it names, copied when it is made, so that every retry sends the same.
// Values go as they are, empty ones too; the transport escapes them.
class AccountCommand : public HttpCommand
{
    Q_OBJECT
protected:
    enum Field {
        // "email"
        Email,
        // "encrypted_password": the password as the service encrypted it.
        EncryptedPassword,
        // "devid"
        DeviceId,
        // "devname"
        DeviceName,
        // "serial"
        Serial,
    };

    // An empty act sends none: the commands of their own path need none.
    AccountCommand(const QString& act, const ClientAuthData& data, std::initializer_list<Field> fields,
                   QObject* parent, const QString& path = MobilePath);

    using HttpCommand::send;
    void send(Field field, const ClientAuthData& data);
};
