#include "WelcomeCtlDesktopClient.h"

#include <BrandInfoRetry.h>
#include <ClientAuthData.h>
#include <DeviceInfoCommand.h>
#include <GetBrandInfoCommand.h>
#include <HttpAccess.h>
#include <HttpCommandCode.h>
#include <QOZMHamburgerMenuSignalHandler.h>
#include <coBranding.h>

#include <QDebug>

WelcomeCtlDesktopClient::WelcomeCtlDesktopClient(QObject* parent)
    : WelcomeCtl(parent)
    , m_brandInfoRetry(new BrandInfoRetry(this))
{
    connect(m_brandInfoRetry, &BrandInfoRetry::retryDue, this, &WelcomeCtlDesktopClient::startBrandInfoCommand);
    connect(this, &WelcomeCtl::disconnectedState, this, &WelcomeCtlDesktopClient::onDisconnectedState);
}

void WelcomeCtlDesktopClient::startProfile()
{
    WelcomeCtl::startProfile();
}

bool WelcomeCtlDesktopClient::startBrandInfoCommand()
{
    if (!coBranding::inst()->needUpdate())
        return false;
    delete m_brandInfoCommand;
    auto* command = new GetBrandInfoCommand(*authData(), this);
    m_brandInfoCommand = command;
    // A receiver of the brand's signals may start the next request while this
    // one's completion is being delivered: the step holds the command guarded.
    connect(command, &HttpCommand::completed, this,
            [this, guarded = QPointer<GetBrandInfoCommand>(command)](bool success) {
                onBrandInfoCompleted(guarded, success);
            });
    command->execute(access().data());
    return true;
}

void WelcomeCtlDesktopClient::onBrandInfoCompleted(const QPointer<GetBrandInfoCommand>& command, bool success)
{
    if (!command)
        return;
    command->deleteLater();
    // An answer that did not come is refused there, with a line of its own.
    coBranding::inst()->fillByServerResponse(command->commandXMLanswer());
    if (!success || !command->isSuccess())
        qCritical().noquote() << "ERROR IN THE BRAND INFO GETTING |"
                              << "[error] =" << command->qtErrorString() << "[sttus code] ="
                              << HttpCommandCode::nameOf(command->resultCode());
    // The menus must not stay disabled because the service did not answer.
    emit QOZMHamburgerMenuSignalHandler::inst()->setInitializationDependentMenusEnabled(true);
    // The account flow, the update check and the location update wait for the
    // brand data: a request that did not bring it is made again later.
    if (coBranding::inst()->needUpdate())
        m_brandInfoRetry->requestFailed();
}

void WelcomeCtlDesktopClient::onDisconnectedState(bool down)
{
    if (m_networkDown && !down)
        m_brandInfoRetry->networkReturned();
    m_networkDown = down;
}

void WelcomeCtlDesktopClient::postDeviceInfoData()
{
    if (m_deviceInfoCommand)
        return;
    DeviceInfoCommand* command = DeviceInfoCommand::fromHostProbes(*authData(), this);
    m_deviceInfoCommand = command;
    connect(command, &HttpCommand::completed, this, &WelcomeCtlDesktopClient::onDeviceInfoCompleted);
    command->execute(access().data());
}

void WelcomeCtlDesktopClient::onDeviceInfoCompleted(bool success)
{
    DeviceInfoCommand* command = m_deviceInfoCommand;
    if (!command)
        return;
    if (success && command->isSuccess())
        qDebug().noquote() << "DEVICE INFO POSTING - DONE";
    else
        qCritical().noquote() << "ERROR IN THE DEVICE INFO POSTING |"
                              << "[error] =" << command->qtErrorString() << "[sttus code] ="
                              << HttpCommandCode::nameOf(command->resultCode());
    command->deleteLater();
}
