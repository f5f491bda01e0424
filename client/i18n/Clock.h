#pragma once

#include <QDateTime>

// The time texts are written at: the system's, unless a test has pinned one.
class Clock
{
public:
    static QDateTime now();
    // The local date of now().
    static QDate today();
    // An invalid time lets the system's clock run again.
    static void pin(const QDateTime& time);
};
