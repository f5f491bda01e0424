#pragma once

#include "Reachability.h"

#include <QString>

#include <optional>

class HostResolver;
class NetlinkChangeMonitor;

// The web host is reachable by the rule of HostPath, the one the network report
// uses too; a path only through a tunnel is transient. The flags are worked out
// afresh on every kernel network change and every new answer for the name, from
// the latest answer: nothing waits for a name server.
// Like the reachability callbacks, a watch reports what holds when it starts and
// then every change of it.
class LinuxInternetReachability : public Reachability
{
    Q_OBJECT
public:
    LinuxInternetReachability(const QString& host, QObject* parent);

    bool startNotifier() override;
    void stopNotifier() override;

private:
    void evaluate();
    quint32 currentFlags() const;

    NetlinkChangeMonitor* const monitor;
    HostResolver* const resolver;
    std::optional<quint32> reported;
};
