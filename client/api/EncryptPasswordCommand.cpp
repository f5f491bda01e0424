#include "EncryptPasswordCommand.h"

#include "ClientAuthData.h"
#include "ReplyFields.h"

EncryptPasswordCommand::EncryptPasswordCommand(const ClientAuthData& data, QObject* parent)
    : AccountCommand(QStringLiteral("encrypt_password"), data, {Email}, parent)
{
    send(QStringLiteral("password"), data.password());
}

bool EncryptPasswordCommand::readXml(const QDomElement& result)
{
    encryptedPassword = ReplyFields::text(result, QStringLiteral("encrypted_password"));
    return true;
}
