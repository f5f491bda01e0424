#pragma once

#include <QDebug>
#include <QMetaType>

enum ActivationState : int {
    Disconnected = 0,
    StateSecure = 1,
    Deactivated = 2,
    Activating = 3,
    Activated = 4,
    Deactivating = 5,
};

// Debug names, indexed by value.
extern const char* const ActivationStateNames[6];

// The enumerator's name, or "ActivationState(N)" for a value outside the table.
QString activationStateName(int state);

QDebug operator<<(QDebug debug, ActivationState state);

Q_DECLARE_METATYPE(ActivationState)
