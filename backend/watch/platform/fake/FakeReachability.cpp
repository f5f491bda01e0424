#include "FakeReachability.h"

FakeReachability::FakeReachability(int kind, QObject* parent)
    : Reachability(kind, parent)
{
}

bool FakeReachability::startNotifier()
{
    scheduled = true;
    return true;
}

void FakeReachability::stopNotifier()
{
    scheduled = false;
}

void FakeReachability::post(quint32 flags)
{
    if (scheduled)
        notify(flags);
}
