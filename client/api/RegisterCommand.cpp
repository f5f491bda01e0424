#include "RegisterCommand.h"

#include "ReplyFields.h"

RegisterCommand::RegisterCommand(const ClientAuthData& data, QObject* parent)
    : AccountCommand(QStringLiteral("register"), data, {Email, EncryptedPassword, DeviceId, DeviceName}, parent)
{
}

bool RegisterCommand::readXml(const QDomElement& result)
{
    licType = ReplyFields::text(result, QStringLiteral("lictype"));
    quotaLabel = ReplyFields::text(result, QStringLiteral("quotalabel"));
    serial = ReplyFields::text(result, QStringLiteral("serial"));
    passwordTime = ReplyFields::passwordTime(ReplyFields::text(result, QStringLiteral("passwdtime")));
    return true;
}
