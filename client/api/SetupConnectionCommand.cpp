#include "SetupConnectionCommand.h"

#include "ReplyFields.h"
#include "SecretMasking.h"
#include "ServerListReply.h"

#include <QDomElement>

QString SetupConnectionCommand::serverListVersion_ = QStringLiteral("0");
QString SetupConnectionCommand::oldIp_;

SetupConnectionCommand::SetupConnectionCommand(const ClientAuthData& auth, const QString& vpnHost, QObject* parent)
    : AccountCommand({}, auth, {Email, EncryptedPassword, DeviceId}, parent, SetupConnectionPath)
{
    send(QStringLiteral("ovpn"), QStringLiteral("1"));
    send(QStringLiteral("vpnhost"), vpnHost);
    send(QStringLiteral("server_list_version"), serverListVersion_);
    send(QStringLiteral("old_ip"), oldIp_);
}

QString& SetupConnectionCommand::GetConnectionInfoServerListVersion()
{
    return serverListVersion_;
}

QString& SetupConnectionCommand::GetConnectionInfoOldIp()
{
    return oldIp_;
}

void SetupConnectionCommand::SetConnectionInfo(const QString& serverListVersion, const QString& oldIp)
{
    serverListVersion_ = serverListVersion;
    oldIp_ = oldIp;
}

bool SetupConnectionCommand::readXml(const QDomElement& result)
{
    const QDomElement glossary = result.firstChildElement(QStringLiteral("glossary"));
    if (glossary.isNull())
        return false;
    host = ReplyFields::text(glossary, QStringLiteral("hostname"));
    user = ReplyFields::text(glossary, QStringLiteral("username"));
    password = ReplyFields::text(glossary, QStringLiteral("password"));
    rememberSecret(password);
    // Beside "glossary", not in it; anything but "0" keeps the tunnel encrypted.
    isEncrypted = ReplyFields::text(result, QStringLiteral("encrypted")) != QLatin1String("0");
    clientIp = ReplyFields::text(result, QStringLiteral("client_ip"));
    const QString version = ReplyFields::text(result, QStringLiteral("new_server_list_version"));
    // A pair or nothing: a version without the address it goes with would be
    // sent beside an address of another list.
    if (!version.isEmpty() && !clientIp.isEmpty())
        SetConnectionInfo(version, clientIp);

    const QDomElement list = result.firstChildElement(QStringLiteral("new_server_list"));
    hasNewServerList = list.hasChildNodes();
    servers = ServerListReply::servers(list.firstChildElement(QStringLiteral("vpnlist")));
    clusters = ServerListReply::clusters(list.firstChildElement(QStringLiteral("clusters")));

    const QDomElement place = result.firstChildElement(QStringLiteral("new_location"));
    hasNewLocation = place.hasChildNodes();
    if (!place.isNull())
        location = ServerListReply::location(place);
    return true;
}
