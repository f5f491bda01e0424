#include "TestResultsContainer.h"

#include <algorithm>

int TestResultsContainer::getPingOkServers() const
{
    return int(std::count_if(servers.cbegin(), servers.cend(), [](const ServerTestRecord& r) { return r.pingOk; }));
}

int TestResultsContainer::getPingFailedServers() const
{
    return servers.size() - getPingOkServers();
}

bool TestResultsContainer::isVpnOk() const
{
    return !servers.isEmpty() && servers.first().vpnOk;
}
