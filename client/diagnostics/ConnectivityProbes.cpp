#include "ConnectivityProbes.h"

#include "NetToolsProbes.h"

namespace {

ConnectivityProbes* installed = nullptr;

} // namespace

ConnectivityProbes& connectivityProbes()
{
    static NetToolsProbes real;
    return installed ? *installed : real;
}

void setConnectivityProbes(ConnectivityProbes* probes)
{
    installed = probes;
}
