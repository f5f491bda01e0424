#include "VerifyPasswordCommand.h"

#include "ReplyFields.h"

VerifyPasswordCommand::VerifyPasswordCommand(const ClientAuthData& data, QObject* parent)
    : AccountCommand(QStringLiteral("verify_password"), data, {Email, EncryptedPassword, DeviceId}, parent)
{
}

bool VerifyPasswordCommand::readXml(const QDomElement& result)
{
    passwordTime = ReplyFields::passwordTime(ReplyFields::text(result, QStringLiteral("passwdtime")));
    return true;
}
