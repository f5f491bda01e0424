#include "WiFiNotifficationListener.h"

#include "WiFiWatching.h"

WiFiNotifficationListener::WiFiNotifficationListener(QObject* parent)
    : QObject(parent)
{
}

void WiFiNotifficationListener::handleNotification()
{
    emit WiFiWatching::instance()->WiFiSSIDchanged();
}
