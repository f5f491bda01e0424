#include "ErrorMessageCtl.h"

#include "AppConstants.h"
#include "BrandConfig.h"
#include "coBranding.h"

#include <QDebug>

namespace {

// The product name and a fragment after it, as most texts begin.
QString named(const QString& fragment)
{
    return gApplicationNameUI + QLatin1Char(' ') + fragment;
}

} // namespace

ErrorMessageCtl::ErrorMessageCtl(QObject* parent)
    : QObject(parent)
{
}

void ErrorMessageCtl::emitDiagnosis(ErrorTypes type, const QString& title, const QString& text, bool isJustUpdating)
{
    if (isJustUpdating)
        emit updateErrorText(type, title, text);
    else
        emit commonErrorOccured(type, title, text);
}

void ErrorMessageCtl::cantEstablishConnection()
{
    emit commonErrorOccured(CantEstablishConnection, tr("Can not establish connection"),
                            tr("This computer does not have active network connection. Please, activate some network "
                               "connection using Network Settings of Operating System."));
}

void ErrorMessageCtl::cantConnectToVpnProcess()
{
    qCritical("enter cantConnectToVpnProcess()");
    emit commonErrorOccured(CantConnectToVpnProcess, tr(""),
                            tr("Application failed to connect to VPN process. Try to restart the application."));
}

void ErrorMessageCtl::deviceInactive()
{
    emit commonErrorOccured(
        DeviceInactive, tr(""),
        tr("Secure connection cannot be activated.\nThis device is not registered within this subscription."));
}

void ErrorMessageCtl::disconnection()
{
    qCritical("enter disconnection()");
    emit commonErrorOccured(
        Disconnection, tr(""),
        named(tr("has lost connection to the VPN. Currently you are using an unsecured Internet connection. Please "
                 "click the Activate button if you want to reestablish a secure connection.")));
}

void ErrorMessageCtl::subscriptionMissing()
{
    emit commonErrorOccured(
        SubscriptionMissing, tr(""),
        named(tr("does not have your subscription information. Please reinstall application.")));
}

void ErrorMessageCtl::connectionNotAllowed()
{
    qCritical("enter connectionNotAllowed()");
    emit commonErrorOccured(ConnectionNotAllowed, tr("Connection is not allowed"),
                            named(tr("is unable to connect to the Internet.")) + QLatin1Char(' ') + tr("Your")
                                + QLatin1Char(' ')
                                + named(tr("account is currently being used by another user.")));
}

void ErrorMessageCtl::updateProblem()
{
    qCritical("enter updateProblem()");
    // Rich text: what goes into it is escaped, and filled in one pass so that
    // a value holding "%3" stays as it is.
    const QString phone = QStringLiteral(OZM_SUPPORT_PHONE).toHtmlEscaped();
    const QString email = coBranding::inst()->support_email->getStrData().toHtmlEscaped();
    emit commonErrorOccured(
        UpdateProblem, named(tr("Connection Problem")),
        named(tr("is unable to download update due to a temporary problem with Internet access.<br> For additional "
                 "help please call Customer Support at <span style=\" text-decoration: underline; "
                 "color:blue;\">%1</span> or send us an email at <a href=\"%2\"><span style=\" text-decoration: "
                 "underline; color:blue;\">%3</span></a>")
                  .arg(phone, email, email)));
}

void ErrorMessageCtl::serverFailed(QString server)
{
    qCritical("enter serverFailed()");
    if (server.isEmpty()) {
        emit commonErrorOccured(
            ServerFailed, tr(""),
            tr("We apologize, but") + QLatin1Char(' ')
                + named(tr("is unable to activate your account at this time due to a temporary system problem.<p> "
                           "You can help by sending us an error report which helps us identify the source of the "
                           "problem. This report is anonymous and confidential. To create report open Help menu - "
                           "Connectivity test.")));
        return;
    }
    emit commonErrorOccured(ServerFailed, named(tr("was unable to establish a connection\nto the %1 server.").arg(server)),
                            tr("Please choose a different server on the Advanced tab of the Settings screen, or run a "
                               "Connectivity Test from the Help screen to see if your connection is working properly."));
}

void ErrorMessageCtl::authFailed()
{
    emit commonErrorOccured(AuthFailed, tr(""),
                            tr("A password change has been detected, please enter the new password on the welcome "
                               "screen now being shown."));
}

void ErrorMessageCtl::vpnConnectionEpicFail()
{
    emit commonErrorOccured(
        VpnConnectionEpicFail, tr("A serious systems error has occurred."),
        QStringLiteral("\n")
            + named(tr("is unable to connect to any of our servers. Our technical staff will be automatically "
                       "notified of this problem, and will attempt to fix it as soon as possible.\n\nWe apologize "
                       "for this inconvenience. Please try again later.")));
}

void ErrorMessageCtl::connectionDiagnosticError(ConnectionPhysicalState state, bool additionalLoginRequire,
                                                bool isJustUpdating)
{
    switch (state) {
    case ::Connected:
        if (additionalLoginRequire)
            cdAdditionalLoginRequired(isJustUpdating);
        else
            cdNoErrorDetected(isJustUpdating);
        return;
    case ::NoInternetConnection:
        cdNoInternetConnection(isJustUpdating);
        return;
    case ::WifiDisabled:
        cdWifiDisabled(isJustUpdating);
        return;
    case ::NoIpConfigured:
        cdNoIpConfigured(isJustUpdating);
        return;
    case ::NoWirelessNetworks:
        cdNoWirelessNetworks(isJustUpdating);
        return;
    case ::WirelessNetworksAvailable:
        cdWirelessNetworksAvailable(isJustUpdating);
        return;
    }
}

void ErrorMessageCtl::cdWifiDisabled(bool isJustUpdating)
{
    qCritical("cmWifiDisabled()");
    emitDiagnosis(DiagWifiDisabled, tr("AirPort is turned off"),
                  named(tr("cannot connect to the Internet. Please check to see that your AirPort is turned on.")),
                  isJustUpdating);
}

void ErrorMessageCtl::cdNoInternetConnection(bool isJustUpdating)
{
    qCritical("cmNoCableConnection()");
    emitDiagnosis(DiagNoInternet, tr("No Internet available"),
                  tr("Your computer is not currently connected to the Internet. Please check your wifi, Ethernet "
                     "cable, and/or telephone connection to ensure that they are working properly."),
                  isJustUpdating);
}

void ErrorMessageCtl::cdNoWirelessNetworks(bool isJustUpdating)
{
    qCritical("cmNoWirelessNetworks()");
    emitDiagnosis(DiagNoWirelessNetworks, tr("No wireless networks available"),
                  tr("Your computer does not appear to be within range of any WiFi network.") + QLatin1Char(' ')
                      + tr("In order for %1 to work, your computer must be connected to a WiFi network.")
                            .arg(gApplicationNameUI),
                  isJustUpdating);
}

void ErrorMessageCtl::cdNoIpConfigured(bool isJustUpdating)
{
    qCritical("cmNoIpConfigured()");
    emitDiagnosis(DiagNoIpConfigured, tr("No IP address"),
                  tr("Your computer cannot connect to the Internet because a valid IP address is not assigned to the "
                     "network adapter. This may be caused by one of the following reasons:\n - The DHCP server is "
                     "not working properly. For instructions on how to fix this, contact Customer Support.\n - Your "
                     "computer may be infected. Install and/or run anti-virus software to ensure that no malware or "
                     "virus has infected your computer."),
                  isJustUpdating);
}

void ErrorMessageCtl::cdWirelessNetworksAvailable(bool isJustUpdating)
{
    qCritical("cmWirelessNetworksAvailable()");
    emitDiagnosis(DiagWirelessNetworksAvailable, tr("No wirelesses active connection"),
                  tr("Your computer is not currently connected to the Internet, although one or more wifi networks "
                     "have been detected. In order for %1 to work, your computer must be connected to a wifi "
                     "network.")
                      .arg(gApplicationNameUI),
                  isJustUpdating);
}

void ErrorMessageCtl::cdAdditionalLoginRequired(bool isJustUpdating)
{
    qCritical("cmAdditionalLoginRequired()");
    emitDiagnosis(DiagAdditionalLoginRequired, tr("Additional log on information may be required."),
                  named(tr("is currently connected to the Internet, but the WiFi network you are accessing may "
                           "require additional login information from you in order to use their network.")),
                  isJustUpdating);
}

void ErrorMessageCtl::cdNoErrorDetected(bool isJustUpdating)
{
    qCritical("cmNoErrorDetected()");
    emitDiagnosis(DiagNoErrorDetected, named(tr("could not find any network issue")),
                  tr("There's no visible problem with your connection. Please try to connect again."), isJustUpdating);
}
