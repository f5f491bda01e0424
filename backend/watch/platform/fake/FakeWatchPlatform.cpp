#include "FakeWatchPlatform.h"

FakeWatchPlatform::FakeWatchPlatform()
{
    WatchPlatform::install(this);
}

FakeWatchPlatform::~FakeWatchPlatform()
{
    WatchPlatform::install(nullptr);
}

void FakeWatchPlatform::postLocal(quint32 flags)
{
    if (targets[Reachability::Local])
        targets[Reachability::Local]->post(flags);
}

void FakeWatchPlatform::postInternet(quint32 flags)
{
    if (targets[Reachability::Internet])
        targets[Reachability::Internet]->post(flags);
}

void FakeWatchPlatform::postWiFiChange()
{
    if (wifiListener)
        wifiListener->post();
}

bool FakeWatchPlatform::isScheduled(int kind) const
{
    return targets[kind] && targets[kind]->isScheduled();
}

Reachability* FakeWatchPlatform::createReachability(int kind, QObject* parent)
{
    if (kind != Reachability::Local && kind != Reachability::Internet)
        return nullptr;
    auto* target = new FakeReachability(kind, parent);
    targets[kind] = target;
    return target;
}

WiFiNotifficationListener* FakeWatchPlatform::createWiFiListener(QObject* parent)
{
    auto* listener = new FakeWiFiListener(parent);
    wifiListener = listener;
    return listener;
}
