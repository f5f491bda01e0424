#pragma once

#include <QObject>
#include <QString>

class QTimer;
class RoutingTableWatchThread;

// Keeps the default route on the VPN gateway while the tunnel is up: after the
// last default-route change settles it puts the VPN route back and re-installs
// the fallback DNS settings. Repairs happen only when the VPN route was present
// when watching started.
class RoutingTable : public QObject
{
    Q_OBJECT
public:
    static RoutingTable* instance();
    ~RoutingTable() override;

    void init();
    void deinit();

    // route := the first default gateway (expectedGateway empty) or expectedGateway
    // when it is among the default gateways; true when such a gateway was found.
    static bool FindDefaultRoute(QString& route, const QString& expectedGateway);
    // true when it changed the routing table.
    static bool recoverVpnDefaultRoute(const QString& gateway);
    // A connection is up but there is no default route at all.
    static bool isRoutingTableCrashed();

    static constexpr int RepairDelayMs = 5000;

signals:
    void tableChanged();

public slots:
    void startWatching(const QString& expectedRouteGateway);
    void stopWatching();
    void refreshDefaultRoute();
    void onRouteChanged();

private:
    RoutingTable();

    bool watching = false;
    RoutingTableWatchThread* watcher = nullptr;
    QTimer* refreshTimer = nullptr;
};
