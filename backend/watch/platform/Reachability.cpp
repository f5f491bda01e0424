#include "Reachability.h"

#include "ReachabilityWatching.h"
#include "WatchPlatform.h"

namespace {

void localCallback(quint32 flags)
{
    ReachabilityWatching* watcher = ReachabilityWatching::instanceForLocal();
    if (flags & Reachability::Reachable)
        watcher->reachableNotify();
    else if (flags == 0 || (flags & Reachability::ConnectionRequired))
        watcher->unreachableNotify();
}

void internetCallback(quint32 flags)
{
    ReachabilityWatching* watcher = ReachabilityWatching::instanceForInternet();
    if (flags == Reachability::Reachable)
        watcher->reachableNotify();
    else if (flags == 0 || (flags & Reachability::ConnectionRequired))
        watcher->unreachableNotify();
}

} // namespace

Reachability::Reachability(int kind, QObject* parent)
    : QObject(parent)
    , targetKind(kind)
{
}

Reachability* Reachability::reachabilityForLocalConnection(QObject* parent)
{
    return WatchPlatform::current().createReachability(Local, parent);
}

Reachability* Reachability::reachabilityForInternetConnection(QObject* parent)
{
    return WatchPlatform::current().createReachability(Internet, parent);
}

// The callbacks act on the singletons, whichever watcher owns this target.
void Reachability::notify(quint32 flags)
{
    if (targetKind == Local)
        localCallback(flags);
    else
        internetCallback(flags);
}
