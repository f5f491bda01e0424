#pragma once

#include "AccountCommand.h"
#include "SetService.h"

#include <vector>

// Stores which services are on for this device, with the setting values given.
// Services to be off are left out; of two entries for one service the later
// counts.
class ServiceSetCommand : public AccountCommand
{
    Q_OBJECT
public:
    ServiceSetCommand(const ClientAuthData& auth, const std::vector<SetService>& services, QObject* parent);

protected:
    bool readXml(const QDomElement& result) override;
};
