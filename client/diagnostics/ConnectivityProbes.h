#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

// What the connectivity checks ask of the network. Every call but
// wifiAdapterStatus() blocks and may run on any thread; tests put a scripted
// set in place.
class ConnectivityProbes
{
public:
    virtual ~ConnectivityProbes() = default;

    // Through the system resolver.
    virtual QList<QHostAddress> resolve(const QString& host) = 0;
    // Whether nameServer gives an address for host.
    virtual bool nslookup(const QString& host, const QString& nameServer) = 0;
    // count pings; out gets the tool's output.
    virtual bool ping(const QString& host, QString& out, unsigned int count) = 0;
    virtual QString traceroute(const QString& host) = 0;
    virtual bool httpTest(int timeoutMs) = 0;
    // The service's confirmation page answered 200 with "confirmed".
    virtual bool confirm(int timeoutMs) = 0;
    // From the backend's last network report; GUI thread only.
    virtual void wifiAdapterStatus(bool& present, bool& on) = 0;
};

ConnectivityProbes& connectivityProbes();
// Null puts the real network tools back.
void setConnectivityProbes(ConnectivityProbes* probes);
