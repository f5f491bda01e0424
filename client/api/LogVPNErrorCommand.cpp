#include "LogVPNErrorCommand.h"

#include "PlatformNames.h"
#include "SystemFunctions.h"

LogVPNErrorCommand::LogVPNErrorCommand(const ClientAuthData& auth, const QString& clientIp, const QString& serverIp,
                                       const QString& serverName, const QString& clusterName, const QString& error,
                                       long timestamp, QObject* parent)
    : JsonReportCommand(QStringLiteral("log_vpn_error"), auth, {Email, DeviceId}, parent)
{
    // The error log is the one report the service takes without "fmt".
    params.remove(QStringLiteral("fmt"));
    send(QStringLiteral("osname"), PlatformNames::os);
    send(QStringLiteral("osversion"), ozm::getOSVersion());
    send(QStringLiteral("clientversion"), QStringLiteral("4.7.5"));
    send(QStringLiteral("clientip"), clientIp);
    sendJson(QStringLiteral("[{\"serverip\":\"%1\", \"servername\":\"%2\", \"clustername\":\"%3\", "
                            "\"error\":\"%4\", \"timestamp\":%5}]"),
             {escaped(serverIp), escaped(serverName), escaped(clusterName), escaped(error),
              QString::number(timestamp)});
}
