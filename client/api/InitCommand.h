#pragma once

#include "HttpCommand.h"
#include "Location.h"

#include <QList>

#include <VpnCluster.h>
#include <VpnServer.h>

// Fetches the server list, the clusters and where the service sees the client.
// Sends the connection info of the moment it is made, and sets it from the
// reply, whatever the reply's status.
class InitCommand : public HttpCommand
{
    Q_OBJECT
public:
    InitCommand(const QString& appId, QObject* parent);

    QList<VpnServer> servers;
    QList<VpnCluster> clusters;
    QString vpnClosestHost;
    QString distEmail;
    QString distFaqUrl;
    QString distTourUrl;
    QString newServerListVersion;
    Location location;
    // The result element had anything at all in it.
    bool hasData = false;

protected:
    bool readXml(const QDomElement& result) override;

private:
    void updateConnectionInfo() const;
};
