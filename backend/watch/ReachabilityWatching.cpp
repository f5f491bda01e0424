#include "ReachabilityWatching.h"

#include "platform/Reachability.h"

ReachabilityWatching::ReachabilityWatching(int kind, QObject* parent)
    : QObject(parent)
{
    if (kind == Reachability::Local)
        reachability = Reachability::reachabilityForLocalConnection(this);
    else if (kind == Reachability::Internet)
        reachability = Reachability::reachabilityForInternetConnection(this);
}

ReachabilityWatching::~ReachabilityWatching()
{
    stop();
}

ReachabilityWatching* ReachabilityWatching::instanceForLocal()
{
    static ReachabilityWatching local(Reachability::Local);
    return &local;
}

ReachabilityWatching* ReachabilityWatching::instanceForInternet()
{
    static ReachabilityWatching internet(Reachability::Internet);
    return &internet;
}

void ReachabilityWatching::start(bool singleShotWatch)
{
    if (!reachability)
        return;
    singleShot = singleShotWatch;
    reachability->startNotifier();
}

void ReachabilityWatching::stop()
{
    if (reachability)
        reachability->stopNotifier();
}

void ReachabilityWatching::reachableNotify()
{
    emit isReachable();
    if (singleShot)
        stop();
}

void ReachabilityWatching::unreachableNotify()
{
    emit isUnreachable();
}
