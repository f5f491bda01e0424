#pragma once

#include "AccountCommand.h"
#include "Location.h"

#include <QList>

#include <VpnCluster.h>
#include <VpnServer.h>

// Asks the service for the credentials of a tunnel to the chosen host, and
// with them, when the service has newer ones, a server list and a location.
// Also the keeper of the connection info that it and the init command send
// with every request: the server-list version and the last public address.
class SetupConnectionCommand : public AccountCommand
{
    Q_OBJECT
public:
    SetupConnectionCommand(const ClientAuthData& auth, const QString& vpnHost, QObject* parent);

    static QString& GetConnectionInfoServerListVersion();
    static QString& GetConnectionInfoOldIp();
    static void SetConnectionInfo(const QString& serverListVersion, const QString& oldIp);

    QString host;
    QString user;
    QString password;
    bool isEncrypted = true;
    QString clientIp;
    bool hasNewServerList = false;
    QList<VpnServer> servers;
    QList<VpnCluster> clusters;
    bool hasNewLocation = false;
    Location location;

protected:
    // False only for a reply without "glossary".
    bool readXml(const QDomElement& result) override;

private:
    friend class InitCommand;

    // For the life of the process, on the GUI thread only; never saved.
    static QString serverListVersion_;
    static QString oldIp_;
};
