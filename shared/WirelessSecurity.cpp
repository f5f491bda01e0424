#include "WirelessSecurity.h"

WirelessSecurity wirelessSecurityFromKind(int wlanSecurityKind)
{
    switch (static_cast<WlanSecurityKind>(wlanSecurityKind)) {
    case WlanSecurityKind::None:
        return SecurityNone;
    case WlanSecurityKind::Wep:
    case WlanSecurityKind::DynamicWep:
        return SecurityWEP;
    case WlanSecurityKind::WpaPersonal:
    case WlanSecurityKind::WpaPersonalMixed:
    case WlanSecurityKind::WpaEnterprise:
    case WlanSecurityKind::WpaEnterpriseMixed:
        return SecurityWPA;
    case WlanSecurityKind::Wpa2Personal:
    case WlanSecurityKind::Wpa2Enterprise:
        return SecurityWPA2;
    case WlanSecurityKind::Personal:
        break;
    }
    return SecurityUnknown;
}
