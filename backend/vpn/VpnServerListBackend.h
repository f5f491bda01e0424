#pragma once

#include <VpnServer.h>
#include <VpnServerList.h>

#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

// The backend's server list: picks the next server after failed activations.
// At most three failed hosts make one series; a cluster in which two hosts, or all
// of its servers, have failed is not chosen again in that series.
class VpnServerListBackend : public VpnServerList
{
public:
    using VpnServerList::VpnServerList;

    // VpnServerList::nullServer when there is no server left to try.
    VpnServer findNextServerForReconnection(const QStringList& failedHosts, const QString& cluster) const;
    // Cluster name -> (failed hosts in it, servers in it); unknown hosts count under "".
    QMap<QString, QPair<int, int>> createClusterListByFailedHosts(const QStringList& failedHosts) const;
    // The first acceptable cluster from position index onwards, else backwards; "" if none.
    QString getNextClusterDueToFailedServersAndClusters(int index,
                                                        const QMap<QString, QPair<int, int>>& failedClusters) const;
};
