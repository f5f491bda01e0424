#include "RenameDeviceCommand.h"

RenameDeviceCommand::RenameDeviceCommand(const ClientAuthData& data, QObject* parent)
    : AccountCommand(QStringLiteral("devname"), data, {Email, EncryptedPassword, DeviceId, DeviceName}, parent)
{
}

bool RenameDeviceCommand::readXml(const QDomElement&)
{
    return true;
}
