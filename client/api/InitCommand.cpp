#include "InitCommand.h"

#include "ReplyFields.h"
#include "ServerListReply.h"
#include "SetupConnectionCommand.h"

#include <QDomElement>

InitCommand::InitCommand(const QString& appId, QObject* parent)
    : HttpCommand(QStringLiteral("init"), MobilePath, parent)
{
    send(QStringLiteral("ovpn"), QStringLiteral("1"));
    send(QStringLiteral("appid"), appId);
    send(QStringLiteral("server_list_version"), SetupConnectionCommand::serverListVersion_);
    send(QStringLiteral("old_ip"), SetupConnectionCommand::oldIp_);
}

bool InitCommand::readXml(const QDomElement& result)
{
    hasData = result.hasChildNodes();
    if (!hasData)
        return true;
    distTourUrl = ReplyFields::text(result, QStringLiteral("disttoururl"));
    distEmail = ReplyFields::text(result, QStringLiteral("distemail"));
    distFaqUrl = ReplyFields::text(result, QStringLiteral("distfaqurl"));
    vpnClosestHost = ReplyFields::text(result, QStringLiteral("vpnclosesthost"));
    newServerListVersion = ReplyFields::text(result, QStringLiteral("new_server_list_version"));
    servers = ServerListReply::servers(result.firstChildElement(QStringLiteral("vpnlist")));
    clusters = ServerListReply::clusters(result.firstChildElement(QStringLiteral("clusters")));
    const QDomElement place = result.firstChildElement(QStringLiteral("location"));
    if (!place.isNull())
        location = ServerListReply::location(place);
    updateConnectionInfo();
    return true;
}

void InitCommand::updateConnectionInfo() const
{
    SetupConnectionCommand::serverListVersion_ = newServerListVersion;
    if (!location.ip.isEmpty())
        SetupConnectionCommand::oldIp_ = location.ip;
    else if (!location.ip.isNull())
        SetupConnectionCommand::oldIp_ = QStringLiteral("Unknown");
    else
        SetupConnectionCommand::oldIp_ = QStringLiteral("Identifying");
}
