#pragma once

#include "FakeReachability.h"
#include "FakeWiFiListener.h"
#include "WatchPlatform.h"

#include <QPointer>

// A network whose changes tests post by hand. While it lives it is the platform
// the watchers are built on, so it must exist before the first watcher does.
class FakeWatchPlatform : public WatchPlatform
{
public:
    FakeWatchPlatform();
    ~FakeWatchPlatform() override;

    FakeWatchPlatform(const FakeWatchPlatform&) = delete;
    FakeWatchPlatform& operator=(const FakeWatchPlatform&) = delete;

    // Hand flags to the target of that kind, as a network change would.
    void postLocal(quint32 flags);
    void postInternet(quint32 flags);
    // The joined Wi-Fi network changes; heard only while a listener exists.
    void postWiFiChange();

    bool isScheduled(int kind) const;
    bool hasWiFiListener() const { return !wifiListener.isNull(); }

    Reachability* createReachability(int kind, QObject* parent) override;
    WiFiNotifficationListener* createWiFiListener(QObject* parent) override;

private:
    QPointer<FakeReachability> targets[2];
    QPointer<FakeWiFiListener> wifiListener;
};
