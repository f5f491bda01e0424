#include "VpnServer.h"

#include "RecordXml.h"

namespace {
const QString RootName = QStringLiteral("VpnServer");
const QStringList ElementNames = {QStringLiteral("name"), QStringLiteral("host"), QStringLiteral("city"),
                                  QStringLiteral("country"), QStringLiteral("state")};
} // namespace

QString VpnServer::toString() const
{
    return RecordXml::write(RootName, ElementNames, {name, host, city, country, state});
}

VpnServer VpnServer::fromString(const QString& text)
{
    const QStringList fields = RecordXml::read(text, RootName, ElementNames.size());
    VpnServer server;
    if (fields.isEmpty())
        return server;
    server.name = fields.at(0);
    server.host = fields.at(1);
    server.city = fields.at(2);
    server.country = fields.at(3);
    server.state = fields.at(4);
    return server;
}

bool VpnServer::operator==(const VpnServer& other) const
{
    return name == other.name && host == other.host && city == other.city && country == other.country
        && state == other.state;
}

VpnServer::CompareByHosts::CompareByHosts(const QString& host, int mode)
    : hosts{host}
    , mode(mode)
{
}

bool VpnServer::CompareByHosts::operator()(const VpnServer& server) const
{
    const bool listed = hosts.contains(server.host);
    return mode == 0 ? listed : !listed;
}
