#include "WiFiWatching.h"

#include "platform/WatchPlatform.h"
#include "platform/WiFiNotifficationListener.h"

#include <QPointer>

WiFiWatching* WiFiWatching::instance()
{
    static QPointer<WiFiWatching> watching;
    if (!watching)
        watching = new WiFiWatching;
    return watching;
}

WiFiWatching::~WiFiWatching()
{
    stop();
}

void WiFiWatching::start()
{
    if (!listener)
        listener = WatchPlatform::current().createWiFiListener(this);
}

void WiFiWatching::stop()
{
    delete listener;
    listener = nullptr;
}
