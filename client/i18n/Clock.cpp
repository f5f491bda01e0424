#include "Clock.h"

namespace {
QDateTime pinned;
}

QDateTime Clock::now()
{
    return pinned.isValid() ? pinned : QDateTime::currentDateTime();
}

QDate Clock::today()
{
    return now().toLocalTime().date();
}

void Clock::pin(const QDateTime& time)
{
    pinned = time;
}
