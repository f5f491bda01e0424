#include "WelcomeCtlWiring.h"

#include "NetworkCtlClient.h"
#include "VpnCtlClient.h"
#include "WelcomeCtl.h"

void wireWelcomeCtl(WelcomeCtl* welcome, VpnCtlClient* vpn, NetworkCtlClient* network)
{
    QObject::connect(welcome, &WelcomeCtl::activateTriggered, vpn, &VpnCtlClient::activateByManualClick);
    QObject::connect(welcome, &WelcomeCtl::deactivateTriggered, vpn, &VpnCtlClient::deactivate);
    QObject::connect(welcome, &WelcomeCtl::autoActivateAllowTriggered, vpn, &VpnCtlClient::activate);

    QObject::connect(vpn, &VpnCtlClient::activationRequestedByLogic, welcome,
                     &WelcomeCtl::requestActivationOnConfigured);
    QObject::connect(vpn, &VpnCtlClient::activationRequestedOnInternetRestored, welcome,
                     &WelcomeCtl::configureAndActivateIfMustByConfig);
    QObject::connect(vpn, &VpnCtlClient::authenticationFailed, welcome, &WelcomeCtl::onAuthenticationFailure);
    QObject::connect(vpn, &VpnCtlClient::deviceNotFound, welcome, &WelcomeCtl::showRegistration);
    QObject::connect(vpn, &VpnCtlClient::activationStateChanged, welcome, &WelcomeCtl::setActivationState);

    if (network)
        QObject::connect(network, &NetworkCtlClient::currentNetworkChanged, welcome,
                         &WelcomeCtl::onCurrentNetworkChanged);
}
