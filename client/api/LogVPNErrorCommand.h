#pragma once

#include "JsonReportCommand.h"

// Reports a failed VPN connection: server, cluster, error text and when, with
// the client's address, system and version in the query.
class LogVPNErrorCommand : public JsonReportCommand
{
    Q_OBJECT
public:
    // timestamp: UTC seconds since the start of 1970.
    LogVPNErrorCommand(const ClientAuthData& auth, const QString& clientIp, const QString& serverIp,
                       const QString& serverName, const QString& clusterName, const QString& error, long timestamp,
                       QObject* parent);
};
