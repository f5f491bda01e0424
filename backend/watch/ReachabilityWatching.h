#pragma once

#include <QObject>

class Reachability;

// Watches one reachability target: the local network (kind 0) or the operator's
// web host (kind 1). Without a target (any other kind, or one the platform could
// not create) every operation does nothing.
class ReachabilityWatching : public QObject
{
    Q_OBJECT
public:
    ReachabilityWatching(int kind, QObject* parent = nullptr);
    ~ReachabilityWatching() override;

    static ReachabilityWatching* instanceForLocal();
    static ReachabilityWatching* instanceForInternet();

signals:
    void isReachable();
    void isUnreachable();

public slots:
    void start(bool singleShot);
    void stop();
    void reachableNotify();
    void unreachableNotify();

private:
    Reachability* reachability = nullptr;
    bool singleShot = false;
};
