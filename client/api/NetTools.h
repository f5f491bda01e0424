#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

// Blocking network probes for the diagnostics and the support report. Each call
// makes its own process, resolver or network manager and event loop on the
// calling thread, so any thread may call them. A failed probe gives false, an
// empty text or an empty list.
class NetTools
{
public:
    // "https://<operator's web host>/ozmir/confirm": answers 200 with "confirmed"
    // in its body when the service can be reached.
    static const QString ConfirmationUrl;
    // How long a name server has to answer.
    static constexpr int DnsTimeoutMs = 5000;

    // The trace's standard output, unparsed: numeric, at most 7 hops, 1 second a
    // probe. Empty when it could not run.
    static QString traceroute(const QString& host);
    // Sends count pings; true when ping finished with 0 (answers came). out
    // gets its standard output. A reply not in after replyWaitSeconds counts as
    // lost; 0 leaves the wait to ping, about 10 s when nothing answers.
    static bool ping(const QString& host, QString& out, unsigned int count, unsigned int replyWaitSeconds = 0);

    // Through the system resolver, hosts file included.
    static QList<QHostAddress> dns_resolve(const QString& host);
    static bool nslookup(const QString& host);
    // The A records that nameServer (an address) gives for host.
    static QList<QHostAddress> dns_resolve(const QString& host, const QString& nameServer);
    static bool nslookup(const QString& host, const QString& nameServer);

    static bool http_test(int timeout);
    // True when url answers 200 with "confirmed" in its body.
    static bool confirmation_test(const QString& url, int timeout);
    static bool http_url_test(const QString& url, int timeout);

    // The hardware address of every interface that is up (in operation: a link
    // set up without a carrier is not) and not a loopback, in the system's order,
    // each followed by separator; empty when there is none.
    static QString getMacAddresses(const QString& separator);
};
