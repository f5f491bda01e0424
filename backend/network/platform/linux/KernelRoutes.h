#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

#include <optional>

// The kernel's IPv4 routes, asked over rtnetlink: no tool is started and the
// answer is there as soon as the kernel has written it.
class KernelRoutes
{
public:
    struct Route
    {
        QString type = QStringLiteral("unicast"); // "blackhole", "unreachable", "local", ...
        QString gateway; // empty for a route without one, such as "default dev ppp0"
        // Empty when the route names no single interface (blackhole, unreachable,
        // several next hops).
        QString device;
        quint32 metric = 0;
        // The kernel keeps a route whose interface has lost its carrier.
        bool linkDown = false;

        // The route as one line in the manner of ip(8), for the log.
        QString text(const QString& destination) const;
        bool operator==(const Route& other) const;
    };

    // The default routes of the main table in the kernel's order. False (and
    // `problem` says why) when the kernel could not be asked.
    static bool defaultRoutes(QList<Route>& routes, QString* problem = nullptr);
    // The route the kernel picks for a packet to `address`; none when it has no
    // way there or could not be asked.
    static std::optional<Route> routeTo(const QHostAddress& address);
};
