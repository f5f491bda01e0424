#pragma once

#include "AccountCommand.h"

// The password in the form the service keeps and takes: the one request that
// carries it plain, from a temporary account data without a store.
class EncryptPasswordCommand : public AccountCommand
{
    Q_OBJECT
public:
    EncryptPasswordCommand(const ClientAuthData& data, QObject* parent);

    QString encryptedPassword;

protected:
    bool readXml(const QDomElement& result) override;
};
