#include "GetSerialCommand.h"

#include "ReplyFields.h"

GetSerialCommand::GetSerialCommand(const ClientAuthData& data, QObject* parent)
    : AccountCommand(QStringLiteral("getserial"), data, {Email, EncryptedPassword, DeviceId}, parent)
{
}

bool GetSerialCommand::readXml(const QDomElement& result)
{
    serial = ReplyFields::text(result, QStringLiteral("serial"));
    passwordTime = ReplyFields::passwordTime(ReplyFields::text(result, QStringLiteral("passwdtime")));
    return true;
}
