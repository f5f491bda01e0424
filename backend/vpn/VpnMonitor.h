#pragma once

#include <QObject>

class QThread;
class QTimer;

// Polls openvpn_manager::isRunning() once a second on its own thread
// ("VpnMonitorThread") and reports each change on the thread the monitor lives on.
class VpnMonitor : public QObject
{
    Q_OBJECT
public:
    VpnMonitor();
    ~VpnMonitor() override;

signals:
    void vpnStarted();
    void vpnStopped();

public slots:
    void start();
    void stop();
    void emitVpnStarted();
    void emitVpnStopped();
    // A process the caller has seen start counts as running from now on, so that
    // its end is reported even when it ends before a poll has seen it.
    void expectRunning();

private:
    void poll();

    bool running = false;
    QTimer* pollTimer;
    QThread* thread;
};
