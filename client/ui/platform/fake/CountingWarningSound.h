#pragma once

#include "WarningSound.h"

// Counts the tones instead of playing them.
class CountingWarningSound : public WarningSound
{
public:
    int plays = 0;

    void play() override { ++plays; }
};
