#pragma once

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>

// A name server for one test (dns_responder.py) on port 53 of address: A and
// AAAA records from a fixed table, NXDOMAIN for other names; a silent one takes
// every question and answers none. Port 53 takes root, and the namespaces of
// PrivateNamespaces keep it to the test. It ends with the object.
class DnsResponder
{
public:
    using Records = QList<QPair<QString, QHostAddress>>;

    enum Mode { Answers, Silent };

    DnsResponder(const QString& address, const Records& records, Mode mode = Answers);
    ~DnsResponder();
    DnsResponder(const DnsResponder&) = delete;
    DnsResponder& operator=(const DnsResponder&) = delete;

    // Listening; false when it could not start or bind.
    bool isRunning() const;

private:
    QProcess process;
    bool ready = false;
};
