#pragma once

#include <ConnectionPhysicalState.h>

#include <QThread>

namespace ConnMgr {

// One run of the connection check, off the application's thread: on a network
// counted as connected it asks the service's confirmation page whether the way
// out is open or a log-in page stands in it. It works from the state it was
// given and touches no other object, so that it may outlive whoever started it.
class ConnectionCheckerThread : public QThread
{
    Q_OBJECT
public:
    // How long the confirmation page has to answer.
    static constexpr int HttpTestTimeoutMs = 15000;

    ConnectionCheckerThread();

    // The state the next run checks; set while no run is in progress.
    void setState(ConnectionPhysicalState state) { m_state = state; }

signals:
    void completed(ConnectionPhysicalState state, bool httpLoginMayBeRequired);

protected:
    void run() override;

private:
    ConnectionPhysicalState m_state = NoInternetConnection;
};

} // namespace ConnMgr
