#pragma once

#include <QObject>

#include <memory>

class PowerPlatform;

// The computer's sleep and wake as two signals, one process-wide object on the
// application's thread. The receivers of systemSleep() are called directly, and
// the computer does not sleep before they have returned. The object goes with
// the application object, before the system services it talks to.
class PowerNotifier : public QObject
{
    Q_OBJECT
public:
    // Made once, on first use, following the system's sleep and wake; needs the
    // application object, and its first call the application's thread, where
    // the system's messages are taken. Later calls may come from any thread.
    static PowerNotifier* instance();
    // From now on the notifier follows platform instead (made when needed); on
    // the application's thread.
    static void usePlatform(std::unique_ptr<PowerPlatform> platform);

signals:
    void systemSleep();
    void systemWake();

private:
    PowerNotifier();
    ~PowerNotifier() override;

    static void make(std::unique_ptr<PowerPlatform> platform);
    static void drop();
    void follow(std::unique_ptr<PowerPlatform> platform);

    PowerPlatform* m_platform = nullptr;
};
