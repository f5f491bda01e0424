#include "VpnServerList.h"

#include <algorithm>

const VpnServer VpnServerList::nullServer{};
const VpnCluster VpnServerList::nullCluster{};

VpnServerList::VpnServerList(QObject* parent)
    : QObject(parent)
{
}

VpnServerList& VpnServerList::operator=(const VpnServerList& other)
{
    set(other.m_servers, other.m_clusters);
    return *this;
}

void VpnServerList::set(const QList<VpnServer>& servers, const QList<VpnCluster>& clusters)
{
    m_servers = servers;
    m_clusters = clusters;
    emit updated();
}

const VpnServer& VpnServerList::findByName(const QString& name) const
{
    for (const VpnServer& server : m_servers) {
        if (server.name == name)
            return server;
    }
    return nullServer;
}

const VpnServer& VpnServerList::findByHost(const QString& host) const
{
    const int index = indexFromHost(host);
    return index < 0 ? nullServer : m_servers.at(index);
}

int VpnServerList::indexFromHost(const QString& host) const
{
    if (host.isEmpty())
        return -1;
    for (int i = 0; i < m_servers.size(); ++i) {
        if (m_servers.at(i).host == host)
            return i;
    }
    return -1;
}

const VpnCluster& VpnServerList::findClusterByServer(const VpnServer& server) const
{
    for (const VpnCluster& cluster : m_clusters) {
        if (cluster.servers.contains(server.name))
            return cluster;
    }
    return nullCluster;
}

const VpnCluster* VpnServerList::firstClusterNamed(const QString& name) const
{
    for (const VpnCluster& cluster : m_clusters) {
        if (cluster.name == name)
            return &cluster;
    }
    return nullptr;
}

bool VpnServerList::hasCluster(const QString& clusterName) const
{
    return firstClusterNamed(clusterName) != nullptr;
}

QList<VpnServer> VpnServerList::servers(const QString& clusterName) const
{
    if (clusterName.isEmpty())
        return m_servers;
    const VpnCluster* cluster = firstClusterNamed(clusterName);
    if (!cluster)
        return {};
    QList<VpnServer> result;
    for (const QString& name : cluster->servers) {
        const VpnServer& server = findByName(name);
        if (!server.name.isEmpty())
            result << server;
    }
    return result;
}

bool VpnServerList::hasServer(const QString& host, const QString& clusterName) const
{
    const QList<VpnServer> candidates = servers(clusterName);
    return std::any_of(candidates.cbegin(), candidates.cend(), VpnServer::CompareByHosts(host, 0));
}

// "Closest" means first in the order the service listed clusters and servers:
// a requested host inside the requested cluster is kept, otherwise the cluster's
// first server, else the first non-empty cluster's, else the first server of all.
QString VpnServerList::getClosestServerHost(const QString& clusterName, const QString& host) const
{
    QString cluster = hasCluster(clusterName) ? clusterName : QString();
    QString answer = host;
    if (!answer.isEmpty() && !hasServer(answer, cluster))
        answer.clear();

    if (cluster.isEmpty()) {
        for (const VpnCluster& candidate : m_clusters) {
            if (!candidate.servers.isEmpty()) {
                cluster = candidate.name;
                break;
            }
        }
    }

    if (answer.isEmpty()) {
        if (!cluster.isEmpty()) {
            const VpnCluster* chosen = firstClusterNamed(cluster);
            if (chosen && !chosen->servers.isEmpty())
                answer = findByName(chosen->servers.first()).host;
        } else if (!m_servers.isEmpty()) {
            answer = m_servers.first().host;
        }
    }
    return answer;
}
