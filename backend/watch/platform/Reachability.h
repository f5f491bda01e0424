#pragma once

#include <QObject>

// A reachability target the platform watches: the local network or the
// operator's web host. While its notifier runs, the platform hands the target's
// flags to the callback of its kind on every network change.
class Reachability : public QObject
{
    Q_OBJECT
public:
    enum Kind { Local = 0, Internet = 1 };
    enum Flag : quint32 {
        TransientConnection = 1u << 0,
        Reachable = 1u << 1,
        ConnectionRequired = 1u << 2,
    };

    // null when the platform cannot create the target
    static Reachability* reachabilityForLocalConnection(QObject* parent);
    static Reachability* reachabilityForInternetConnection(QObject* parent);

    virtual bool startNotifier() = 0;
    virtual void stopNotifier() = 0;

protected:
    Reachability(int kind, QObject* parent);

    void notify(quint32 flags);

private:
    const int targetKind;
};
