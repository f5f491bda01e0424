#pragma once

#include "AccountCommand.h"

#include <QDateTime>

// Whether the stored password still opens the account.
class VerifyPasswordCommand : public AccountCommand
{
    Q_OBJECT
public:
    VerifyPasswordCommand(const ClientAuthData& data, QObject* parent);

    QDateTime passwordTime;

protected:
    bool readXml(const QDomElement& result) override;
};
