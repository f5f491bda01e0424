#include "ResetPasswordCommand.h"

ResetPasswordCommand::ResetPasswordCommand(const ClientAuthData& auth, QObject* parent)
    : AccountCommand(QStringLiteral("reset_password"), auth, {Email}, parent)
{
}

bool ResetPasswordCommand::readXml(const QDomElement&)
{
    return true;
}
