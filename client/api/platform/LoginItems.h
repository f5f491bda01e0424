#pragma once

// Whether the client starts when the user logs in to the desktop.
class LoginItems
{
public:
    virtual ~LoginItems() = default;
    virtual bool launchesAtLogin() = 0;
    virtual void setLaunchAtLogin(bool on) = 0;
};
