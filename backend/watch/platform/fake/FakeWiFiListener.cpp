#include "FakeWiFiListener.h"

FakeWiFiListener::FakeWiFiListener(QObject* parent)
    : WiFiNotifficationListener(parent)
{
}
