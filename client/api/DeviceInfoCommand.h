#pragma once

#include "JsonReportCommand.h"

// Reports the computer's posture: system, serial numbers, host, model, hardware
// addresses, id, antivirus and browsers.
class DeviceInfoCommand : public JsonReportCommand
{
    Q_OBJECT
public:
    // browsers: entries made by browserEntry, in the order they are to be sent.
    DeviceInfoCommand(const ClientAuthData& auth, const QString& osVersion, const QString& osSerialNumber,
                      const QString& systemDomain, const QString& systemSerialNumber, const QString& modelIdentifier,
                      const QString& macAddress, const QString& productUuid, const QString& antivirus,
                      const QStringList& browsers, QObject* parent);

    // One member of the "browser" object: "key":"version".
    static QString browserEntry(const QString& key, const QString& version);
    // The report of this computer, from the host probes.
    static DeviceInfoCommand* fromHostProbes(const ClientAuthData& auth, QObject* parent);
};
