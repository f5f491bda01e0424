#include "ConnectionChecker.h"

#include "ConnectionCheckerThread.h"
#include "NetworkCtlClient.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

const char* resultText(ConnectionPhysicalState state, bool httpLoginMayBeRequired)
{
    if (httpLoginMayBeRequired)
        return QT_TRANSLATE_NOOP("QObject", "additional log in is required");
    switch (state) {
    case Connected:
        return QT_TRANSLATE_NOOP("QObject", "connected");
    case NoInternetConnection:
        return QT_TRANSLATE_NOOP("QObject", "no Internet connection");
    case WifiDisabled:
        return QT_TRANSLATE_NOOP("QObject", "WiFi adapter is disabled");
    case NoIpConfigured:
        return QT_TRANSLATE_NOOP("QObject", "no any IPv4 configuration");
    case NoWirelessNetworks:
        return QT_TRANSLATE_NOOP("QObject", "no wireless  networks");
    case WirelessNetworksAvailable:
        return QT_TRANSLATE_NOOP("QObject", "no connected wireless ");
    }
    return QT_TRANSLATE_NOOP("QObject", "(!) uknown result");
}

} // namespace

ConnectionChecker::ConnectionChecker(QObject* parent)
    : QObject(parent)
    , m_worker(new ConnMgr::ConnectionCheckerThread)
{
    // The answer crosses threads in a queued signal, which drops arguments of
    // an unregistered type without a word: the run would never end for us.
    qRegisterMetaType<ConnectionPhysicalState>("ConnectionPhysicalState");
    connect(m_worker, &ConnMgr::ConnectionCheckerThread::completed, this, &ConnectionChecker::onCheckCompleted);
}

// The owner deletes a checker whenever the network changes and must not wait
// for a page that may take 15 s. A worker still running is cut off from the
// checker and deletes itself once its run is over; quit() ends every event loop
// on its thread, the one waiting for the page included, so that is soon.
ConnectionChecker::~ConnectionChecker()
{
    m_worker->disconnect(this);
    connect(m_worker, &QThread::finished, m_worker, &QObject::deleteLater);
    m_worker->quit();
    if (!m_worker->isRunning())
        delete m_worker;
}

// The state is read here, on the thread that owns the network client: the
// worker never touches an object the application may drop meanwhile.
void ConnectionChecker::start()
{
    if (m_checking)
        return;
    // A start right after the answer finds the thread still leaving its run; it
    // has nothing left to do but return.
    m_worker->wait();
    m_checking = true;
    qDebug("network diagnostic: start!");
    const NetworkCtlClient* const network = NetworkCtlClient::inst();
    m_worker->setState(network ? network->currentPhysicalState() : NoInternetConnection);
    m_worker->start(QThread::LowPriority);
}

void ConnectionChecker::onCheckCompleted(ConnectionPhysicalState state, bool httpLoginMayBeRequired)
{
    m_checking = false;
    qDebug().noquote() << "network diagnostic: completed ="
                       << QCoreApplication::translate("QObject", resultText(state, httpLoginMayBeRequired));
    emit finished(state, httpLoginMayBeRequired);
}
