#pragma once

#include <ConnectionPhysicalState.h>

#include <QObject>

namespace ConnMgr {
class ConnectionCheckerThread;
}

// A one-shot diagnosis of the network the backend last reported: when it counts
// as connected, the service's confirmation page tells whether a log-in page (a
// captive portal) stands in the way. The page may take 15 s to fail, so the check
// runs on a low-priority thread of its own; the result comes back on the
// checker's thread. A checker may be started again once it has finished.
class ConnectionChecker : public QObject
{
    Q_OBJECT
public:
    explicit ConnectionChecker(QObject* parent = nullptr);
    // Returns at once, even in the middle of a run, whose result is then dropped.
    ~ConnectionChecker() override;

signals:
    // Once a run; httpLoginMayBeRequired only with state Connected.
    void finished(ConnectionPhysicalState state, bool httpLoginMayBeRequired);

public slots:
    // Does nothing while a run is in progress.
    void start();
    void onCheckCompleted(ConnectionPhysicalState state, bool httpLoginMayBeRequired);

private:
    // Outlives the checker when deleted in the middle of a run.
    ConnMgr::ConnectionCheckerThread* const m_worker;
    // From start to the worker's answer; the worker's thread outlives the answer
    // by the end of its run.
    bool m_checking = false;
};
