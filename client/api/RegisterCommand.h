#pragma once

#include "AccountCommand.h"

#include <QDateTime>

// Registers this device with the account under its name; the service answers
// with the device's VPN serial.
class RegisterCommand : public AccountCommand
{
    Q_OBJECT
public:
    RegisterCommand(const ClientAuthData& data, QObject* parent);

    QString serial;
    QString licType;
    QString quotaLabel;
    QDateTime passwordTime;

protected:
    bool readXml(const QDomElement& result) override;
};
