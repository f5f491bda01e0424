#pragma once

#include "WiFiNotifficationListener.h"

class FakeWiFiListener : public WiFiNotifficationListener
{
    Q_OBJECT
public:
    explicit FakeWiFiListener(QObject* parent);

    void post() { handleNotification(); }
};
