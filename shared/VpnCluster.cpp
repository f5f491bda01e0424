#include "VpnCluster.h"

#include "RecordXml.h"

#include <QXmlStreamWriter>

namespace {
const QString RootName = QStringLiteral("VpnCluster");
const QStringList ElementNames = {QStringLiteral("name"), QStringLiteral("description"),
                                  QStringLiteral("country"), QStringLiteral("servers")};
const QString Separator = QStringLiteral("<separator>");
} // namespace

QString VpnCluster::toString() const
{
    return RecordXml::write(RootName, ElementNames, {name, description, country, servers.join(Separator)});
}

VpnCluster VpnCluster::fromString(const QString& text)
{
    const QStringList fields = RecordXml::read(text, RootName, ElementNames.size());
    VpnCluster cluster;
    if (fields.isEmpty())
        return cluster;
    cluster.name = fields.at(0);
    cluster.description = fields.at(1);
    cluster.country = fields.at(2);
    cluster.servers = fields.at(3).split(Separator, Qt::SkipEmptyParts);
    return cluster;
}

bool VpnCluster::operator==(const VpnCluster& other) const
{
    return name == other.name && description == other.description && country == other.country
        && servers == other.servers;
}

QString clusterListToString(const QList<VpnCluster>& clusters)
{
    QString text;
    QXmlStreamWriter writer(&text);
    writer.writeStartDocument(QStringLiteral("1.0"));
    writer.writeStartElement(QStringLiteral("clusters"));
    for (const VpnCluster& cluster : clusters) {
        writer.writeStartElement(QStringLiteral("cluster"));
        writer.writeTextElement(QStringLiteral("name"), cluster.name);
        writer.writeTextElement(QStringLiteral("description"), cluster.description);
        writer.writeTextElement(QStringLiteral("country"), cluster.country);
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    return text.trimmed();
}
