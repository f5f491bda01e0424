#include "SessionTraffic.h"

#include <cmath>

namespace {

bool sane(double megabytes)
{
    return std::isfinite(megabytes) && megabytes >= 0 && megabytes <= SessionTraffic::MaximumMB;
}

int sanitiseFigure(double& megabytes)
{
    if (sane(megabytes))
        return 0;
    megabytes = 0;
    return 1;
}

} // namespace

int SessionTraffic::sanitise(QList<DataSession>& sessions)
{
    int replaced = 0;
    for (DataSession& session : sessions)
        replaced += sanitiseFigure(session.traffic) + sanitiseFigure(session.savings);
    return replaced;
}
