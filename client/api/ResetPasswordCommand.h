#pragma once

#include "AccountCommand.h"

// Asks the service to reset the password of the account's e-mail address.
class ResetPasswordCommand : public AccountCommand
{
    Q_OBJECT
public:
    ResetPasswordCommand(const ClientAuthData& auth, QObject* parent);

protected:
    bool readXml(const QDomElement& result) override;
};
