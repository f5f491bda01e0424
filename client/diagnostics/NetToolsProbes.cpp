#include "NetToolsProbes.h"

#include <NetTools.h>
#include <NetworkCtlClient.h>

QList<QHostAddress> NetToolsProbes::resolve(const QString& host)
{
    return NetTools::dns_resolve(host);
}

bool NetToolsProbes::nslookup(const QString& host, const QString& nameServer)
{
    return NetTools::nslookup(host, nameServer);
}

bool NetToolsProbes::ping(const QString& host, QString& out, unsigned int count)
{
    return NetTools::ping(host, out, count);
}

QString NetToolsProbes::traceroute(const QString& host)
{
    return NetTools::traceroute(host);
}

bool NetToolsProbes::httpTest(int timeoutMs)
{
    return NetTools::http_test(timeoutMs);
}

bool NetToolsProbes::confirm(int timeoutMs)
{
    return NetTools::confirmation_test(NetTools::ConfirmationUrl, timeoutMs);
}

void NetToolsProbes::wifiAdapterStatus(bool& present, bool& on)
{
    present = on = false;
    if (const NetworkCtlClient* network = NetworkCtlClient::inst())
        network->getWiFiAdapterStatus(present, on);
}
