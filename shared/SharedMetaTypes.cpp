#include "SharedMetaTypes.h"

#include "ActivationState.h"
#include "ConnectionPhysicalState.h"
#include "VpnAuthFailedClientAnswer.h"
#include "WirelessSecurity.h"

void registerSharedMetaTypes()
{
    qRegisterMetaType<ActivationState>("ActivationState");
    qRegisterMetaType<ConnectionPhysicalState>("ConnectionPhysicalState");
    qRegisterMetaType<WirelessSecurity>("WirelessSecurity");
    qRegisterMetaType<VpnAuthFailedClientAnswer>("VpnAuthFailedClientAnswer");
}
