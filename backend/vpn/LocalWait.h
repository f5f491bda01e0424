#pragma once

#include <QEventLoop>

// Waits ms milliseconds in a local event loop that handles only the events flags allow.
void localWait(int ms, QEventLoop::ProcessEventsFlags flags);
