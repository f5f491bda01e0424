#include "ConnectivityTasks.h"

#include "ConnectivityProbes.h"

#include <OperatorWebHost.h>

#include <QDebug>

namespace ConnectivityTasks {

const QString ServiceDomainName = QLatin1String(OperatorWebHost);
const QString PublicDnsAddress = QStringLiteral("8.8.8.8");

namespace {

// Null when the run is over or the index is out of the list.
ServerTestRecord* recordAt(const Results& results, int index, Canceled canceled)
{
    if (*canceled || index < 0 || index >= results->servers.size())
        return nullptr;
    ServerTestRecord& record = results->servers[index];
    return &record;
}

} // namespace

void testServiceDnsAndPing(Results results, Canceled canceled)
{
    if (*canceled)
        return;
    const QList<QHostAddress> addresses = connectivityProbes().resolve(ServiceDomainName);
    results->dnsOk = !addresses.isEmpty();
    if (*canceled)
        return;
    const auto ipv4 = std::find_if(addresses.cbegin(), addresses.cend(), [](const QHostAddress& address) {
        return address.protocol() == QAbstractSocket::IPv4Protocol;
    });
    if (ipv4 == addresses.cend()) {
        results->servicePingOk = false;
        return;
    }
    const QString host = ipv4->toString();
    QString out;
    results->servicePingOk = connectivityProbes().ping(host, out, PingCount);
    results->servicePingLog = out;
    qDebug().noquote().nospace() << "ping " << host << ":" << out;
}

void testWiFiAdapter(Results results, Canceled canceled, bool present, bool on)
{
    if (*canceled)
        return;
    results->wifiAdapterPresent = present;
    results->wifiAdapterOn = on;
}

void testHttp(Results results, Canceled canceled)
{
    if (*canceled)
        return;
    results->httpOk = connectivityProbes().httpTest(HttpTimeoutMs);
}

void testNslookup(Results results, Canceled canceled)
{
    if (*canceled)
        return;
    results->nslookupOk = connectivityProbes().nslookup(ServiceDomainName, PublicDnsAddress);
}

void testPingPublicDns(Results results, Canceled canceled)
{
    if (*canceled)
        return;
    QString out;
    results->publicDnsPingOk = connectivityProbes().ping(PublicDnsAddress, out, PingCount);
    results->publicDnsPingLog = out;
    qDebug().noquote().nospace() << "ping 8.8.8.8: " << out;
}

void testServiceConfirm(Results results, Canceled)
{
    results->confirmOk = connectivityProbes().confirm(HttpTimeoutMs);
}

void testServerPing(Results results, int index, Canceled canceled)
{
    ServerTestRecord* record = recordAt(results, index, canceled);
    if (!record)
        return;
    qDebug().noquote().nospace() << "ping test: " << record->name << " " << record->ip;
    if (record->ip.isEmpty()) {
        qDebug("No IP, skipped");
        record->pingOk = false;
        return;
    }
    if (!record->pingLog.isEmpty()) {
        qDebug("Ping already performed, skipped");
        return;
    }
    QString out;
    record->pingOk = connectivityProbes().ping(record->ip, out, PingCount);
    record->pingLog = out;
    qDebug().noquote().nospace() << "ping " << record->ip << ": " << out;
}

void testServerRoute(Results results, int index, Canceled canceled)
{
    ServerTestRecord* record = recordAt(results, index, canceled);
    if (!record)
        return;
    qDebug().noquote().nospace() << "route test: " << record->name << " " << record->ip;
    // The ping task of the same record stores its failed ping; writing it here
    // too would race with that task.
    if (record->ip.isEmpty()) {
        qDebug("No IP, skipped");
        return;
    }
    record->routeLog = connectivityProbes().traceroute(record->ip);
}

} // namespace ConnectivityTasks
