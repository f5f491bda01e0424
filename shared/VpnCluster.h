#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A named group of servers; `servers` holds server names, not hosts.
class VpnCluster
{
public:
    QString name;
    QString description;
    QString country;
    QStringList servers;

    QString toString() const;
    static VpnCluster fromString(const QString& text);

    bool operator==(const VpnCluster& other) const;
    bool operator!=(const VpnCluster& other) const { return !(*this == other); }
};

QString clusterListToString(const QList<VpnCluster>& clusters);
