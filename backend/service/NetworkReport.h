#pragma once

#include <LocalConnectionState.h>

// The network as the client is told about it, computed afresh on every call.
LocalConnectionState currentNetworkReport();
