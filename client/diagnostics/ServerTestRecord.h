#pragma once

#include <QString>

// What one run found out about one VPN server.
struct ServerTestRecord
{
    QString name;
    // An empty host leaves the server untested.
    QString ip;
    bool pingOk = false;
    // Not empty once the server has been pinged in this run.
    QString pingLog;
    QString routeLog;
    // Kept for a check that does not exist yet; nothing sets it.
    bool vpnOk = false;
};
