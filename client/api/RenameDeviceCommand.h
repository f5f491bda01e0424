#pragma once

#include "AccountCommand.h"

// Gives this device the account data's device name.
class RenameDeviceCommand : public AccountCommand
{
    Q_OBJECT
public:
    RenameDeviceCommand(const ClientAuthData& data, QObject* parent);

protected:
    bool readXml(const QDomElement& result) override;
};
