#include "ServerListReply.h"

#include "ReplyFields.h"

#include <QDomElement>

namespace ServerListReply {

namespace {

QString field(const QDomElement& parent, const char* name)
{
    return ReplyFields::text(parent, QLatin1String(name));
}

// The service lists a cluster's servers from the first "element" on; what
// comes after it counts whatever its tag, what comes before does not.
QStringList serverNames(const QDomElement& servers)
{
    QStringList names;
    for (QDomElement name = servers.firstChildElement(QStringLiteral("element")); !name.isNull();
         name = name.nextSiblingElement())
        names << name.text();
    return names;
}

} // namespace

QList<VpnServer> servers(const QDomElement& vpnlist)
{
    QList<VpnServer> result;
    for (QDomElement item = vpnlist.firstChildElement(); !item.isNull(); item = item.nextSiblingElement()) {
        VpnServer server;
        server.name = field(item, "name");
        server.host = field(item, "hostname");
        server.city = field(item, "city");
        server.country = field(item, "country");
        server.state = field(item, "state");
        result << server;
    }
    return result;
}

QList<VpnCluster> clusters(const QDomElement& clusters)
{
    QList<VpnCluster> result;
    for (QDomElement item = clusters.firstChildElement(); !item.isNull(); item = item.nextSiblingElement()) {
        VpnCluster cluster;
        cluster.name = field(item, "name");
        cluster.description = field(item, "description").trimmed();
        cluster.country = field(item, "iso_country_code").trimmed();
        cluster.servers = serverNames(item.firstChildElement(QStringLiteral("servers")));
        result << cluster;
    }
    return result;
}

Location location(const QDomElement& location)
{
    Location result;
    const QDomElement ip = location.firstChildElement(QStringLiteral("ip"));
    // An "ip" without text is an answer too ("no address"), unlike no "ip" at all.
    if (!ip.isNull())
        result.ip = ip.text().isNull() ? QStringLiteral("") : ip.text();
    result.description = field(location, "description");
    result.isoCountryCode = field(location, "iso_country_code");
    return result;
}

} // namespace ServerListReply
