#include "ClientTimeScale.h"

#include <QtGlobal>

#include <climits>

namespace {

double factor = 1.0;

} // namespace

namespace ClientTimeScale {

int scaled(int ms)
{
    const double wait = double(ms) * factor;
    return wait >= double(INT_MAX) ? INT_MAX : qMax(1, int(wait));
}

void setForTests(double newFactor)
{
    factor = newFactor;
}

} // namespace ClientTimeScale
