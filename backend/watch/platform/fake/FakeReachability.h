#pragma once

#include "Reachability.h"

// A target whose flags the test hands over; they reach the callback only while
// the notifier runs, as with a real target.
class FakeReachability : public Reachability
{
    Q_OBJECT
public:
    FakeReachability(int kind, QObject* parent);

    bool startNotifier() override;
    void stopNotifier() override;

    bool isScheduled() const { return scheduled; }
    void post(quint32 flags);

private:
    bool scheduled = false;
};
