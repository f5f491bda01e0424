#include "VpnServerListBackend.h"

#include <QDebug>

namespace {

constexpr int FailedHostsLimit = 3;
// A cluster with this many failed hosts is given up for the rest of the series.
constexpr int FailedHostsPerClusterLimit = 2;

} // namespace

VpnServer VpnServerListBackend::findNextServerForReconnection(const QStringList& failedHosts,
                                                              const QString& cluster) const
{
    if (failedHosts.size() >= FailedHostsLimit) {
        qDebug() << "VPN re-connection: limit(=" << FailedHostsLimit
                 << ") of the failed vpn instances is reached so vpn reconnection was breaked";
        return nullServer;
    }

    QString chosenCluster = cluster;
    if (chosenCluster.isEmpty()) {
        qDebug() << "VPN re-connection: cluster is not set, clarify it";
        const QMap<QString, QPair<int, int>> failedClusters = createClusterListByFailedHosts(failedHosts);
        QString referenceHost;
        if (!failedHosts.isEmpty())
            referenceHost = failedHosts.last();
        else if (!allServers().isEmpty())
            referenceHost = allServers().first().host;
        const int index = indexFromHost(referenceHost);
        if (index < 0)
            return nullServer;
        chosenCluster = getNextClusterDueToFailedServersAndClusters(index, failedClusters);
        if (chosenCluster.isEmpty()) {
            qDebug() << "VPN re-connection: next cluster for re-connection was not found";
            return nullServer;
        }
    }

    qDebug().noquote() << "VPN re-connection: find next available instance in the cluster = " + chosenCluster;
    for (const VpnServer& server : servers(chosenCluster)) {
        if (!failedHosts.contains(server.host))
            return server;
    }
    return nullServer;
}

QMap<QString, QPair<int, int>>
VpnServerListBackend::createClusterListByFailedHosts(const QStringList& failedHosts) const
{
    QMap<QString, QPair<int, int>> table;
    for (const QString& host : failedHosts) {
        const QString name = findClusterByServer(findByHost(host)).name;
        auto entry = table.find(name);
        if (entry == table.end())
            table.insert(name, qMakePair(1, int(servers(name).size())));
        else
            ++entry->first;
    }
    return table;
}

QString VpnServerListBackend::getNextClusterDueToFailedServersAndClusters(
    int index, const QMap<QString, QPair<int, int>>& failedClusters) const
{
    const QList<VpnServer>& all = allServers();
    if (index < 0 || index >= all.size())
        return QString();

    auto acceptable = [&](const QString& name) {
        const auto entry = failedClusters.constFind(name);
        if (entry == failedClusters.constEnd())
            return !servers(name).isEmpty();
        return entry->first < entry->second && entry->first < FailedHostsPerClusterLimit;
    };
    QString previous;
    auto accepts = [&](int i) {
        const QString name = findClusterByServer(all.at(i)).name;
        if (name.isEmpty() || name == previous)
            return false;
        previous = name;
        return acceptable(name);
    };

    for (int i = index; i < all.size(); ++i) {
        if (accepts(i))
            return previous;
    }
    for (int i = index; i >= 0; --i) {
        if (accepts(i))
            return previous;
    }
    return QString();
}
