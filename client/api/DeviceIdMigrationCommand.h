#pragma once

#include "AccountCommand.h"

#include <QList>

// Tells the service the device id that replaces the one made of these hardware
// addresses.
class DeviceIdMigrationCommand : public AccountCommand
{
    Q_OBJECT
public:
    DeviceIdMigrationCommand(const ClientAuthData& data, const QList<QString>& macAddresses, const QString& deviceId,
                             QObject* parent);

    // 0 when the reply has no number.
    int count = 0;

protected:
    bool readXml(const QDomElement& result) override;
};
