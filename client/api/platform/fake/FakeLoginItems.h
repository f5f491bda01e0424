#pragma once

#include "LoginItems.h"

// Remembers the state and counts how often it was changed.
class FakeLoginItems : public LoginItems
{
public:
    bool launchesAtLogin() override { return on; }
    void setLaunchAtLogin(bool value) override
    {
        on = value;
        ++changes;
    }

    bool on = false;
    int changes = 0;
};
