#pragma once

#include <QString>

// bytes as "1.5 GB" (from 10^9 bytes on) or "999.0 MB", one decimal and a point
// whatever the locale; richText gives the styled number, green from 5·10^8
// bytes on, red below. A negative count reads as 0.
QString trafficInBytesToText(long long bytes, bool richText);

// Texts several windows share.
QString WelcomeWelcomeText();
QString WelcomeSeeGuide();
QString WelcomeExpiredFooter();
QString WelcomeExpiredFooter2();
// The owner notice, for this year, never earlier than 2012.
QString AboutCopyrigh();
QString QustomerSupportSupport();
