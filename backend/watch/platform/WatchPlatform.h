#pragma once

class QObject;
class Reachability;
class WiFiNotifficationListener;

// What network watching needs from the operating system. The Linux platform is
// the default; tests install a scripted one before the first watcher exists.
class WatchPlatform
{
public:
    virtual ~WatchPlatform() = default;

    // null when the target cannot be created
    virtual Reachability* createReachability(int kind, QObject* parent) = 0;
    virtual WiFiNotifficationListener* createWiFiListener(QObject* parent) = 0;

    static WatchPlatform& current();
    // nullptr returns to the Linux platform; the caller keeps ownership.
    static void install(WatchPlatform* platform);
};
