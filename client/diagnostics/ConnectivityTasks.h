#pragma once

#include "TestResultsContainer.h"

#include <QString>

#include <atomic>
#include <memory>

// The checks of a connectivity run, one pool task each. Each holds its own
// share of the results, so the container outlives every task, and returns
// without storing anything once canceled is set, unless said otherwise.
namespace ConnectivityTasks {

using Results = std::shared_ptr<TestResultsContainer>;
using Canceled = const std::atomic<bool>*;

// The operator's web domain, whose name the two name checks look up.
extern const QString ServiceDomainName;
extern const QString PublicDnsAddress;
constexpr unsigned int PingCount = 2;
constexpr int HttpTimeoutMs = 15000;

void testServiceDnsAndPing(Results results, Canceled canceled);
// The adapter's state is read on the GUI thread when the run starts: the
// network client lives there.
void testWiFiAdapter(Results results, Canceled canceled, bool present, bool on);
void testHttp(Results results, Canceled canceled);
void testNslookup(Results results, Canceled canceled);
void testPingPublicDns(Results results, Canceled canceled);
// Runs to its answer even after a cancel.
void testServiceConfirm(Results results, Canceled canceled);
void testServerPing(Results results, int index, Canceled canceled);
void testServerRoute(Results results, int index, Canceled canceled);

} // namespace ConnectivityTasks
