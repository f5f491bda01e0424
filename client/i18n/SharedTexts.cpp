#include "SharedTexts.h"

#include "Clock.h"

#include <AppConstants.h>

#include <QCoreApplication>

#include <algorithm>

namespace {

const char CopyrightHolder[] = "The Ozmira Authors";
constexpr int FirstCopyrightYear = 2012;
constexpr long long GreenFrom = 500000000;
constexpr double BytesInGB = 1e9;
constexpr double BytesInMB = 1e6;

} // namespace

QString trafficInBytesToText(long long bytes, bool richText)
{
    bytes = std::max(bytes, 0LL);
    const QString colour = QLatin1String(bytes >= GreenFrom ? "#0EA34B" : "#D6002D");
    double value = bytes / BytesInGB;
    QString unit = QCoreApplication::translate("QObject", "GB");
    if (value < 1.0) {
        value = bytes / BytesInMB;
        unit = QCoreApplication::translate("QObject", "MB");
    }
    const QString number = QString::number(value, 'f', 1);
    if (!richText)
        return QStringLiteral("%1 %2").arg(number, unit);
    return QStringLiteral("<span style=\"color: %2; font-size: 18px;\">%1</span> <sup>%3</sup>")
        .arg(number, colour, unit);
}

QString WelcomeWelcomeText()
{
    return QStringLiteral("All public WiFi hotspots are unsecured.<p>Use <nobr>%1&trade;</nobr> VPN whenever you "
                          "connect to WiFi in coffee shops, parks, hotels and air ports. <p>%1&trade; encrypts "
                          "everything you do online, protecting your privacy and security.")
        .arg(gApplicationNameUI);
}

QString WelcomeSeeGuide()
{
    return QStringLiteral("To learn more, please see our <a href=\"link:QuickStart\"><span style=\"text-decoration: "
                          "none; color: white; font-family: KievitComp-Bold;\">Quick Start Guide</span></a>.");
}

QString WelcomeExpiredFooter()
{
    return WelcomeWelcomeText();
}

QString WelcomeExpiredFooter2()
{
    return QStringLiteral("<p>Without %1, your personal information and<br>communications can be stolen out of the "
                          "thin air in any<br>public WiFi hotspot. This includes:</p><p>&#8226; Your usernames and "
                          "passwords<br>&#8226; Your credit card numbers<br>&#8226; Your Facebook account "
                          "information and content</p>")
        .arg(gApplicationNameUI);
}

QString AboutCopyrigh()
{
    const int year = std::max(Clock::now().date().year(), FirstCopyrightYear);
    return QCoreApplication::translate("QObject", "Copyright &copy; %1 %2. All rights reserved.")
        .arg(QString::number(year), QLatin1String(CopyrightHolder));
}

QString QustomerSupportSupport()
{
    return QCoreApplication::translate("QObject",
                                       "We are committed to extraordinary customer service. That's why we offer<br>"
                                       "technical support to all users at no charge. Customer Support is "
                                       "available<br>via email %1 to %2%3 Monday through Friday.")
        .arg(QStringLiteral("8AM"), QStringLiteral("12AM"), QStringLiteral(" EST"));
}
