#include "LinuxInternetReachability.h"

#include "HostPath.h"
#include "HostResolver.h"
#include "NetlinkChangeMonitor.h"

LinuxInternetReachability::LinuxInternetReachability(const QString& webHost, QObject* parent)
    : Reachability(Internet, parent)
    , monitor(new NetlinkChangeMonitor(this))
    , resolver(HostResolver::forHost(webHost))
{
    connect(monitor, &NetlinkChangeMonitor::changed, this, &LinuxInternetReachability::evaluate);
    connect(resolver, &HostResolver::answered, this, &LinuxInternetReachability::evaluate);
}

// A wait starts from what holds now: an Internet connection that is already
// there is reported at once rather than at the next change of the network.
bool LinuxInternetReachability::startNotifier()
{
    if (!monitor->open())
        return false;
    reported.reset();
    QMetaObject::invokeMethod(this, &LinuxInternetReachability::evaluate, Qt::QueuedConnection);
    return true;
}

void LinuxInternetReachability::stopNotifier()
{
    monitor->close();
}

// Until the name has had its first answer there is nothing to tell.
void LinuxInternetReachability::evaluate()
{
    if (!monitor->isOpen() || !resolver->isAnswered())
        return;
    const quint32 flags = currentFlags();
    if (reported == flags)
        return;
    reported = flags;
    notify(flags);
}

quint32 LinuxInternetReachability::currentFlags() const
{
    switch (HostPath::to(resolver->addresses())) {
    case HostPath::Kind::Direct:
        return Reachable;
    case HostPath::Kind::Transient:
        return Reachable | TransientConnection;
    case HostPath::Kind::None:
        break;
    }
    return 0;
}
