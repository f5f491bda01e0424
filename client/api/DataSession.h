#pragma once

#include <QDateTime>

// One VPN session of the account on this device, as the service counts it.
struct DataSession
{
    // UTC; invalid when the reply's date could not be read.
    QDateTime start;
    // Seconds.
    qint32 duration = 0;
    // Megabytes.
    double traffic = 0;
    double savings = 0;
    // Advertisements blocked.
    qint32 adHits = 0;
};
