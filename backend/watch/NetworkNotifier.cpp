#include "NetworkNotifier.h"

#include "ReachabilityWatching.h"
#include "WiFiWatching.h"

#include <QDebug>
#include <QTimer>

NetworkNotifier* NetworkNotifier::instance()
{
    static NetworkNotifier notifier;
    return &notifier;
}

NetworkNotifier::NetworkNotifier()
{
    ReachabilityWatching* local = ReachabilityWatching::instanceForLocal();
    connect(WiFiWatching::instance(), &WiFiWatching::WiFiSSIDchanged, this,
            &NetworkNotifier::emitLocalConnectionIsChanged);
    connect(local, &ReachabilityWatching::isReachable, this, &NetworkNotifier::emitLocalConnectionIsChanged);
    connect(local, &ReachabilityWatching::isUnreachable, this, &NetworkNotifier::emitLocalConnectionIsChanged);
    connect(ReachabilityWatching::instanceForInternet(), &ReachabilityWatching::isReachable, this,
            &NetworkNotifier::internetIsEstablished);
}

void NetworkNotifier::startLocalConnectionWatching()
{
    WiFiWatching::instance()->start();
    ReachabilityWatching::instanceForLocal()->start(false);
}

void NetworkNotifier::stopLocalConnectionWatching()
{
    WiFiWatching::instance()->stop();
    ReachabilityWatching::instanceForLocal()->stop();
}

void NetworkNotifier::startWaitingForInternetConnection()
{
    ReachabilityWatching::instanceForInternet()->start(true);
}

void NetworkNotifier::stopWaitingForInternetConnection()
{
    ReachabilityWatching::instanceForInternet()->stop();
}

void NetworkNotifier::emitLocalConnectionIsChanged()
{
    if (!changeTimer) {
        changeTimer = new QTimer(this);
        changeTimer->setSingleShot(true);
        changeTimer->setInterval(QuietPeriodMs);
        connect(changeTimer, &QTimer::timeout, this, &NetworkNotifier::onQuietPeriodOver);
    }
    changeTimer->start();
}

void NetworkNotifier::onQuietPeriodOver()
{
    qDebug() << "network notifier: local connection is changed!";
    emit localConnectionIsChanged();
}
