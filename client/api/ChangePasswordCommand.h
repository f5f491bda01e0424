#pragma once

#include "AccountCommand.h"

// Replaces the account's password by one the service already encrypted.
class ChangePasswordCommand : public AccountCommand
{
    Q_OBJECT
public:
    ChangePasswordCommand(const ClientAuthData& data, const QString& newEncryptedPassword, QObject* parent);

    const QString newEncryptedPassword;

protected:
    bool readXml(const QDomElement& result) override;
};
