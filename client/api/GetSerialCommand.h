#pragma once

#include "AccountCommand.h"

#include <QDateTime>

// The VPN serial of this device, already registered.
class GetSerialCommand : public AccountCommand
{
    Q_OBJECT
public:
    GetSerialCommand(const ClientAuthData& data, QObject* parent);

    QString serial;
    QDateTime passwordTime;

protected:
    bool readXml(const QDomElement& result) override;
};
