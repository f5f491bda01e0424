#pragma once

#include "ScriptProcess.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

// The operator's public web host for one test (web_host.py): HTTPS on port 443
// of address under the web host's name, with a certificate of the test CA. The
// CA goes to "certs/web-host-ca.pem" in appFolder, where the client reads it at
// its first page fetch. The confirmation page answers with page, or never
// without one. launch starts it where it is to run (as in a test bed's server
// namespace). It ends with the object.
class WebHostStandIn
{
public:
    WebHostStandIn(const QString& address, const QString& appFolder, const std::optional<QByteArray>& page,
                   const ScriptProcess::Launcher& launch = {});
    ~WebHostStandIn();
    WebHostStandIn(const WebHostStandIn&) = delete;
    WebHostStandIn& operator=(const WebHostStandIn&) = delete;

    bool isRunning() const;
    // Every request that has come, as "METHOD target".
    QStringList requests();

private:
    QProcess m_process;
    bool m_ready = false;
    QStringList m_requests;
};
