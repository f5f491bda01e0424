#include "ActivationState.h"

const char* const ActivationStateNames[6] = {
    "Disconnected", "StateSecure", "Deactivated", "Activating", "Activated", "Deactivating",
};

QString activationStateName(int state)
{
    if (state >= 0 && state < 6)
        return QLatin1String(ActivationStateNames[state]);
    return QStringLiteral("ActivationState(%1)").arg(state);
}

QDebug operator<<(QDebug debug, ActivationState state)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << activationStateName(state);
    return debug;
}
