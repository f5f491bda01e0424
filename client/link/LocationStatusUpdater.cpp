#include "LocationStatusUpdater.h"

#include <ClientAuthData.h>
#include <HttpAccess.h>
#include <InitCommand.h>

#include <QDebug>
#include <QNetworkReply>

LocationStatusUpdater::LocationStatusUpdater(QObject* parent)
    : QObject(parent)
    , m_timer(this)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &LocationStatusUpdater::startUpdate);
}

void LocationStatusUpdater::init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> authData)
{
    m_access = access;
    m_authData = authData;
}

void LocationStatusUpdater::update()
{
    m_serversWanted = true;
    startUpdate();
}

void LocationStatusUpdater::startUpdate()
{
    if (m_command)
        return;
    qDebug("LocationStatusUpdater: [location update] : start");
    emit locationUpdated(Location::identifying());
    m_command = new InitCommand(m_authData->appId(), this);
    m_command->setupRetries(3, 1000, 0);
    connect(m_command.data(), &HttpCommand::completed, this, &LocationStatusUpdater::onLocationUpdateCommandCompleted);
    m_command->execute(m_access.data());
}

void LocationStatusUpdater::onTimerUpdate()
{
    if (m_lastState == Deactivated || m_lastState == Activating)
        return;
    startUpdate();
}

void LocationStatusUpdater::setActivationState(ActivationState state)
{
    if (state == m_lastState)
        return;
    m_lastState = state;
    switch (state) {
    case Disconnected:
        // No network: nothing to ask until one comes.
        m_timer.stop();
        emit locationUpdated(Location::unknown());
        break;
    case Activating:
    case Deactivating:
        delete m_command.data();
        m_timer.stop();
        emit locationUpdated(Location::identifying());
        break;
    case Activated:
        m_serversWanted = false;
        emit locationUpdated(Location::identifying());
        startUpdate();
        break;
    default:
        m_serversWanted = true;
        emit locationUpdated(Location::identifying());
        m_timer.start(AfterDeactivationMs);
        break;
    }
}

void LocationStatusUpdater::onLocationUpdateCommandCompleted(bool success)
{
    InitCommand* const command = m_command;
    if (!command || command != sender())
        return;
    m_command = nullptr;
    command->deleteLater();
    qDebug().noquote() << "LocationStatusUpdater: [location update] : completed =" << (success ? "true" : "false");
    if (!success) {
        if (m_lastState == Disconnected) {
            qDebug("LocationStatusUpdater: [location update] : location=unknown");
        } else {
            qDebug("LocationStatusUpdater: [location update] : location=unknown, start update again");
            m_timer.start(command->error() == QNetworkReply::SslHandshakeFailedError ? RetryAfterHandshakeFailureMs
                                                                                     : RetryMs);
        }
        emit locationUpdated(Location::unknown());
        return;
    }
    if (!command->location.isIdentifying()) {
        m_lastKnown = command->location;
        emit locationUpdated(m_lastKnown);
        // A reply without servers is no news of them: the list the client has stays.
        if (m_serversWanted && !command->servers.isEmpty())
            emit serversUpdated(command->servers, command->clusters);
        return;
    }
    // Nothing pending any more: a location never known reads "Unknown".
    emit locationUpdated(m_lastKnown.isIdentifying() ? Location::unknown() : m_lastKnown);
}
