#include "ChangePasswordCommand.h"

ChangePasswordCommand::ChangePasswordCommand(const ClientAuthData& data, const QString& newEncryptedPassword,
                                             QObject* parent)
    : AccountCommand(QStringLiteral("change_password"), data, {Email, EncryptedPassword}, parent)
    , newEncryptedPassword(newEncryptedPassword)
{
    send(QStringLiteral("encrypted_new_password"), newEncryptedPassword);
}

bool ChangePasswordCommand::readXml(const QDomElement&)
{
    return true;
}
