#pragma once

#include "DataSession.h"

#include <QList>

// Traffic figures of a usage reply as the graph and the table can use them.
namespace SessionTraffic {

// The largest figure a session can plausibly carry, in MB (an exabyte); it keeps
// every sum and axis step far from overflowing.
constexpr double MaximumMB = 1e12;

// Counts any traffic or savings that is not a finite number in [0, MaximumMB]
// as 0, so that no label reads "nan" and no pixel position is computed from a
// NaN or an infinity. Returns how many figures were replaced.
int sanitise(QList<DataSession>& sessions);

} // namespace SessionTraffic
