#pragma once

#include <ActivationState.h>
#include <Location.h>
#include <VpnCluster.h>
#include <VpnServer.h>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QTimer>

class ClientAuthData;
class HttpAccess;
class InitCommand;

// Keeps the client's knowledge of where its traffic meets the Internet: asks the
// service when the tunnel comes up, shortly after it goes down and again after a
// failure, and shows a placeholder while an answer is pending.
class LocationStatusUpdater : public QObject
{
    Q_OBJECT
public:
    // After the tunnel went down, the new address needs a moment to settle.
    static constexpr int AfterDeactivationMs = 3000;
    static constexpr int RetryMs = 2000;
    // A failed TLS handshake is usually a captive portal: ask less often.
    static constexpr int RetryAfterHandshakeFailureMs = 10000;

    explicit LocationStatusUpdater(QObject* parent = nullptr);

    void init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> authData);

signals:
    void locationUpdated(Location location);
    void serversUpdated(QList<VpnServer> vpnServers, QList<VpnCluster> vpnClusters);

public slots:
    void update();
    void setActivationState(ActivationState state);
    void startUpdate();
    void onTimerUpdate();
    void onLocationUpdateCommandCompleted(bool success);

private:
    QSharedPointer<ClientAuthData> m_authData;
    QSharedPointer<HttpAccess> m_access;
    QPointer<InitCommand> m_command;
    bool m_serversWanted = true;
    ActivationState m_lastState = Disconnected;
    QTimer m_timer;
    Location m_lastKnown;
};
