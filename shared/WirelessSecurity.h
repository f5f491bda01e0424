#pragma once

#include <QMetaType>

enum WirelessSecurity : int {
    SecurityUnknown = 0,
    SecurityNone = 1,
    SecurityWEP = 2,
    SecurityWPA = 3,
    SecurityWPA2 = 4,
};

// The security kind numbers a Wi-Fi stack reports, 0 none .. 9 WPA2 enterprise,
// mapped to what the client shows; anything outside the table is unknown.
enum class WlanSecurityKind : int {
    None = 0,
    Wep = 1,
    WpaPersonal = 2,
    WpaPersonalMixed = 3,
    Wpa2Personal = 4,
    Personal = 5,
    DynamicWep = 6,
    WpaEnterprise = 7,
    WpaEnterpriseMixed = 8,
    Wpa2Enterprise = 9,
};

WirelessSecurity wirelessSecurityFromKind(int wlanSecurityKind);

Q_DECLARE_METATYPE(WirelessSecurity)
