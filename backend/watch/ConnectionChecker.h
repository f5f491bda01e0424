#pragma once

#include "ConnectionPhysicalState.h"

// Condenses the computer's network services into the one physical state the
// network report carries.
class ConnectionChecker
{
public:
    static ConnectionPhysicalState currentPhysicalState();
};
