#include "DeviceInfoCommand.h"

#include "HostProbes.h"
#include "NetTools.h"

DeviceInfoCommand::DeviceInfoCommand(const ClientAuthData& auth, const QString& osVersion,
                                     const QString& osSerialNumber, const QString& systemDomain,
                                     const QString& systemSerialNumber, const QString& modelIdentifier,
                                     const QString& macAddress, const QString& productUuid,
                                     const QString& antivirus, const QStringList& browsers, QObject* parent)
    : JsonReportCommand(QStringLiteral("device_posture_check"), auth, {Email, EncryptedPassword, DeviceId}, parent)
{
    sendJson(QStringLiteral("{\"os_version\":\"%1\", \"os_serial_number\":\"%2\", \"system_domain\":\"%3\", "
                            "\"system_serial_number\":\"%4\", \"model_identifier\":\"%5\", \"mac_address\":\"%6\", "
                            "\"product_uuid\":\"%7\", \"antivirus\":\"%8\", \"browser\":{%9}}"),
             {escaped(osVersion), escaped(osSerialNumber), escaped(systemDomain), escaped(systemSerialNumber),
              escaped(modelIdentifier), escaped(macAddress), escaped(productUuid), escaped(antivirus),
              browsers.join(QLatin1Char(','))});
}

QString DeviceInfoCommand::browserEntry(const QString& key, const QString& version)
{
    return QLatin1Char('"') + escaped(key) + QLatin1String("\":\"") + escaped(version) + QLatin1Char('"');
}

DeviceInfoCommand* DeviceInfoCommand::fromHostProbes(const ClientAuthData& auth, QObject* parent)
{
    // The service keeps a key for a browser that has no build here: its entry
    // goes, empty.
    const QStringList browsers{browserEntry(QStringLiteral("safari"), GetSafaryVersion()),
                               browserEntry(QStringLiteral("firefox"), GetFirefoxVersion()),
                               browserEntry(QStringLiteral("chrome"), GetChromeVersion())};
    return new DeviceInfoCommand(auth, GetOSVersion(), GetSystemSerialNumber(), GetSystemDomain(), GetBoardSerial(),
                                 GetModelIdentifier(), NetTools::getMacAddresses(QStringLiteral("; ")),
                                 GetPlatformUUID(true), GetAntivirusVersion(), browsers, parent);
}
