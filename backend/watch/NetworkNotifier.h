#pragma once

#include <QObject>

class QTimer;

// Folds every local network change (interfaces, addresses, routes, the joined
// Wi-Fi network) into one localConnectionIsChanged() after a quiet period, and
// passes the internet watcher's success on as internetIsEstablished().
class NetworkNotifier : public QObject
{
    Q_OBJECT
public:
    static NetworkNotifier* instance();

    static constexpr int QuietPeriodMs = 300;

signals:
    void localConnectionIsChanged();
    void internetIsEstablished();

public slots:
    void startLocalConnectionWatching();
    void stopLocalConnectionWatching();
    void startWaitingForInternetConnection();
    void stopWaitingForInternetConnection();
    void emitLocalConnectionIsChanged();

private:
    NetworkNotifier();
    void onQuietPeriodOver();

    QTimer* changeTimer = nullptr;
};
