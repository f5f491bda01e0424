#pragma once

#include "ConnectivityProbes.h"

// The real network tools, and the Wi-Fi state of the backend's last report.
class NetToolsProbes : public ConnectivityProbes
{
public:
    QList<QHostAddress> resolve(const QString& host) override;
    bool nslookup(const QString& host, const QString& nameServer) override;
    bool ping(const QString& host, QString& out, unsigned int count) override;
    QString traceroute(const QString& host) override;
    bool httpTest(int timeoutMs) override;
    bool confirm(int timeoutMs) override;
    void wifiAdapterStatus(bool& present, bool& on) override;
};
