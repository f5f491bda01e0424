#pragma once

// The tone the status window sounds when the computer is left unprotected on
// an insecure Wi-Fi network.
class WarningSound
{
public:
    virtual ~WarningSound() = default;

    // Plays the tone once, without waiting for it.
    virtual void play() = 0;
};
