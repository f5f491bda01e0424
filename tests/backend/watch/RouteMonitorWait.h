#pragma once

#include "PrivateNamespaces.h"

#include <QSignalSpy>

// A route monitor hears changes only once it runs: switches a default route in
// a spare table between two gateways until heard records a signal.
inline bool waitUntilRouteMonitorHears(QSignalSpy& heard)
{
    for (int attempt = 0; heard.isEmpty() && attempt < 50; ++attempt) {
        if (!PrivateNamespaces::ip(QStringLiteral("route replace default via 10.%1.0.1 table 100").arg(attempt % 2 + 1)))
            return false;
        heard.wait(100);
    }
    return !heard.isEmpty();
}
