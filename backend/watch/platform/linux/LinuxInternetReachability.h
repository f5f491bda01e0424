#pragma once

#include "Reachability.h"

#include <QString>

class NetlinkChangeMonitor;
class QHostInfo;
class QProcess;

// The web host is reachable when its name resolves and the kernel has a route
// to it; a route over a point-to-point link (a tunnel) is only transient. Every
// kernel network change starts one evaluation; changes that arrive meanwhile
// are folded into one more. Nothing blocks the event loop.
class LinuxInternetReachability : public Reachability
{
    Q_OBJECT
public:
    LinuxInternetReachability(const QString& host, QObject* parent);
    ~LinuxInternetReachability() override;

    bool startNotifier() override;
    void stopNotifier() override;

private:
    void evaluate();
    void onHostLookedUp(const QHostInfo& info);
    void onRouteLookedUp();
    void finishEvaluation(quint32 flags);

    const QString host;
    NetlinkChangeMonitor* monitor;
    QProcess* routeLookup;
    int lookupId = -1;
    bool evaluating = false;
    bool changedMeanwhile = false;
};
