#pragma once

#include <QObject>

class WiFiNotifficationListener;

// Reports that the joined Wi-Fi network changed. The listener exists only
// between start() and stop().
class WiFiWatching : public QObject
{
    Q_OBJECT
public:
    static WiFiWatching* instance();
    ~WiFiWatching() override;

    void start();
    void stop();

signals:
    void WiFiSSIDchanged();

private:
    WiFiWatching() = default;

    WiFiNotifficationListener* listener = nullptr;
};
