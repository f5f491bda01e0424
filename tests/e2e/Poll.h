#pragma once

#include <functional>

namespace Poll {

// Runs the event loop until `done` returns true, asking it every few milliseconds
// and never again once it has (so it may take what it found); false when it has
// not within timeoutMs.
bool until(const std::function<bool()>& done, int timeoutMs);

} // namespace Poll
