#pragma once

#include "VpnCluster.h"
#include "VpnServer.h"

#include <QList>
#include <QObject>

class VpnServerList : public QObject
{
    Q_OBJECT
public:
    explicit VpnServerList(QObject* parent = nullptr);
    VpnServerList& operator=(const VpnServerList& other);

    static const VpnServer nullServer;
    static const VpnCluster nullCluster;

    void set(const QList<VpnServer>& servers, const QList<VpnCluster>& clusters);

    const QList<VpnServer>& allServers() const { return m_servers; }
    const QList<VpnCluster>& clusters() const { return m_clusters; }

    const VpnServer& findByName(const QString& name) const;
    const VpnServer& findByHost(const QString& host) const;
    int indexFromHost(const QString& host) const;
    const VpnCluster& findClusterByServer(const VpnServer& server) const;
    bool hasCluster(const QString& clusterName) const;
    QList<VpnServer> servers(const QString& clusterName) const;
    bool hasServer(const QString& host, const QString& clusterName) const;
    QString getClosestServerHost(const QString& clusterName, const QString& host) const;

signals:
    void updated();

private:
    const VpnCluster* firstClusterNamed(const QString& name) const;

    QList<VpnServer> m_servers;
    QList<VpnCluster> m_clusters;
};
