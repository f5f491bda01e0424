#include "RoutingTable.h"

#include "KernelRoutes.h"
#include "NetworkCtl.h"
#include "RoutingTableWatchThread.h"
#include "execute_manager.h"

#include <QDebug>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTimer>

namespace {

const QString IpTool = QStringLiteral("/usr/sbin/ip");

// The VPN default route as found when watching last started.
QString VpnDefaultRoute;
bool VpnDefaultRouteFound = false;

// The gateway comes from openvpn's output: only a plain dotted IPv4 address may
// reach a route command, never an option or a host name.
bool isPlainIPv4(const QString& gateway)
{
    static const QRegularExpression dottedQuad(QStringLiteral("^\\d{1,3}(\\.\\d{1,3}){3}$"));
    QHostAddress address;
    return dottedQuad.match(gateway).hasMatch() && address.setAddress(gateway)
        && address.protocol() == QAbstractSocket::IPv4Protocol;
}

bool refuseUnsoundGateway(const QString& gateway)
{
    if (isPlainIPv4(gateway))
        return false;
    qCritical().noquote() << "ERROR RoutingTable: refusing a route command with a gateway that is not an IPv4 address:"
                          << gateway;
    return true;
}

void AddRoute(const QString& destination, const QString& gateway)
{
    int exitCode = -1;
    if (execute_manager::execute_and_wait(IpTool, {"-4", "route", "add", destination, "via", gateway}, &exitCode)
        && exitCode == 0)
        qDebug().noquote() << "RoutingTable: add route" << destination << gateway;
    else
        qCritical().noquote() << "ERROR RoutingTable: add route failed:" << destination << gateway;
}

// Every default route by its gateway, or by its device when it has none: a PPP,
// WireGuard or mobile link routes "default dev ppp0", and that is a way out too.
QStringList defaultRouteTargets()
{
    QList<KernelRoutes::Route> routes;
    KernelRoutes::defaultRoutes(routes);
    QStringList targets;
    for (const KernelRoutes::Route& route : routes) {
        const QString target = route.gateway.isEmpty() ? route.device : route.gateway;
        if (!target.isEmpty())
            targets << target;
    }
    return targets;
}

} // namespace

RoutingTable* RoutingTable::instance()
{
    static RoutingTable table;
    return &table;
}

RoutingTable::RoutingTable()
    : refreshTimer(new QTimer(this))
{
    refreshTimer->setSingleShot(true);
    connect(refreshTimer, &QTimer::timeout, this, &RoutingTable::refreshDefaultRoute);
}

RoutingTable::~RoutingTable()
{
    deinit();
}

void RoutingTable::init()
{
    if (watcher)
        return;
    watcher = new RoutingTableWatchThread(this);
    connect(watcher, &RoutingTableWatchThread::routeChanged, this, &RoutingTable::onRouteChanged);
    watcher->start();
}

void RoutingTable::deinit()
{
    stopWatching();
    if (!watcher)
        return;
    watcher->terminate();
    watcher->deleteLater();
    watcher = nullptr;
}

void RoutingTable::startWatching(const QString& expectedRouteGateway)
{
    if (watching)
        return;
    init();
    VpnDefaultRouteFound = FindDefaultRoute(VpnDefaultRoute, expectedRouteGateway);
    qDebug().noquote() << QStringLiteral("RoutingTable: Default route: %1 %2")
                              .arg(VpnDefaultRouteFound ? "true" : "false", VpnDefaultRoute);
    watching = true;
    qDebug() << "RoutingTable: routing table watching is started.";
}

void RoutingTable::stopWatching()
{
    if (!watching)
        return;
    refreshTimer->stop();
    watching = false;
    qDebug() << "RoutingTable: routing table watching is stopped.";
}

bool RoutingTable::FindDefaultRoute(QString& route, const QString& expectedGateway)
{
    const QStringList targets = defaultRouteTargets();
    if (expectedGateway.isEmpty()) {
        route = targets.value(0);
        return !route.isEmpty();
    }
    const bool found = targets.contains(expectedGateway);
    route = found ? expectedGateway : QString();
    return found;
}

bool RoutingTable::recoverVpnDefaultRoute(const QString& gateway)
{
    if (refuseUnsoundGateway(gateway))
        return false;
    QString current;
    if (FindDefaultRoute(current, QString()) && current == gateway)
        return false;
    if (!current.isEmpty()) {
        execute_manager::execute_and_wait(IpTool, {"-4", "route", "del", "default"}, nullptr);
        qDebug().noquote() << "RoutingTable:" << "default" << "route deleted.";
    }
    AddRoute(QStringLiteral("default"), gateway);
    return true;
}

bool RoutingTable::isRoutingTableCrashed()
{
    if (!NetworkCtl::isConnectionEnabled()) {
        qDebug() << "RoutingTable: check for routing table crash - connection isn't enabled";
        return false;
    }
    QString route;
    if (FindDefaultRoute(route, QString())) {
        qDebug() << "RoutingTable: check for routing table crash - default route is found";
        return false;
    }
    return true;
}

void RoutingTable::onRouteChanged()
{
    emit tableChanged();
    refreshTimer->start(RepairDelayMs);
}

void RoutingTable::refreshDefaultRoute()
{
    if (!watching || !VpnDefaultRouteFound)
        return;
    recoverVpnDefaultRoute(VpnDefaultRoute);
    // A route command can fail (the gateway gone with its link): the table says
    // whether the repair took.
    QString first;
    if (FindDefaultRoute(first, QString()) && first == VpnDefaultRoute)
        qDebug() << "RoutingTable: VPN default route is recovered.";
    else
        qCritical() << "ERROR RoutingTable: VPN default route is not recovered.";
    NetworkCtl::recoverDNS();
}
