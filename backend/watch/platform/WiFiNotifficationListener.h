#pragma once

#include <QObject>

// Listens for the platform's report that the joined Wi-Fi network changed.
class WiFiNotifficationListener : public QObject
{
    Q_OBJECT
protected:
    explicit WiFiNotifficationListener(QObject* parent);

    void handleNotification();
};
