#pragma once

#include <QString>

// One device registered with the account, as the profile lists it.
struct ProfileDevice
{
    QString devid;
    QString deviceName;
};
