#include "OzmApplication.h"

#include "NetworkCtlClient.h"
#include "Ozm.h"
#include "VpnCtlClient.h"

#include <AppConstants.h>
#include <ClientLog.h>
#include <SingleInstance.h>

#include <QEvent>
#include <QWidget>

QString OzmApplication::windowTitle_;
QString OzmApplication::windowTitleShort_;
bool OzmApplication::notBlinkVudevo_ = false;

OzmApplication::OzmApplication(int& argc, char** argv)
    : QApplication(argc, argv)
    , singleInstance(new SingleInstance(gSingleApplicationID, this))
{
    connect(singleInstance, &SingleInstance::messageReceived, this, &OzmApplication::onApplicationMessage);
    connect(this, &QCoreApplication::aboutToQuit, this, &OzmApplication::onQuitCleanUp);
    initDocknotify(this);
}

OzmApplication::~OzmApplication()
{
    closeDocknotify();
    ClientLog::close();
}

bool OzmApplication::isRunning()
{
    if (singleInstance->isRunning())
        return true;
    ClientLog::keepBounded();
    return false;
}

bool OzmApplication::sendMessage(const QString& message, int timeoutMs)
{
    return singleInstance->sendMessage(message, timeoutMs);
}

void OzmApplication::initLogFile(const QString& fileName)
{
    // A second start writes here before it learns that it is one.
    ClientLog::open(fileName, ClientLog::Bounds::LeaveToOwner);
}

QString OzmApplication::getOzmLog()
{
    return ClientLog::tail();
}

void OzmApplication::quit()
{
    ClientLog::flush();
    QApplication::quit();
}

void OzmApplication::onApplicationMessage(const QString& message)
{
    if (message.compare(QLatin1String("quit"), Qt::CaseInsensitive) == 0) {
        emit quitRequest();
        return;
    }
    activate();
    emit activateStatus();
}

void OzmApplication::doActivate()
{
    activate();
    emit activateAppFromDock();
}

void OzmApplication::activate()
{
    QEvent activation(QEvent::ApplicationActivate);
    event(&activation);
}

bool OzmApplication::hasActiveWindow()
{
    const QWidget* const window = qApp ? QApplication::activeWindow() : nullptr;
    return window && window->isActiveWindow();
}

void OzmApplication::initDocknotify(OzmApplication*)
{
}

void OzmApplication::closeDocknotify()
{
}

bool OzmApplication::initBackendService()
{
    Ozm::initInstance();
    Ozm* const link = Ozm::inst();
    if (!link || !link->serviceIsRunning())
        return false;
    connect(link, &Ozm::fatalErrorNotConnected, this, &OzmApplication::onBackendServiceStopError);
    NetworkCtlClient::initInstance(this);
    VpnCtlClient::initInstance(this);
    // Messages are read only once every client has registered for its events.
    link->startSocketProcessing();
    return true;
}

void OzmApplication::onBackendServiceStopError()
{
    qDebug("OzmApplication: backend services unexpectedly closed!");
    // The link answers every pending request with nothing when it goes; no view
    // may take those empty answers for a state.
    if (VpnCtlClient* vpn = VpnCtlClient::inst())
        vpn->blockSignals(true);
    if (NetworkCtlClient* network = NetworkCtlClient::inst())
        network->blockSignals(true);
    emit serviceUnexpectedlyClosed();
}

void OzmApplication::onQuitCleanUp()
{
    VpnCtlClient::dropInstance();
    NetworkCtlClient::dropInstance();
}
