#pragma once

#include "PowerPlatform.h"

// Sleeps and wakes when the test says so.
class FakePowerPlatform : public PowerPlatform
{
public:
    void sleep() { emit sleeping(); }
    void wake() { emit woken(); }
};
