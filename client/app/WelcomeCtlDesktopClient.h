#pragma once

#include <WelcomeCtl.h>

#include <QPointer>

class BrandInfoRetry;
class DeviceInfoCommand;
class GetBrandInfoCommand;

// The account flow of the desktop client: the common flow, plus the brand
// information asked for at start-up and handed to the brand data, and the
// description of this computer posted to the service.
class WelcomeCtlDesktopClient : public WelcomeCtl
{
    Q_OBJECT
public:
    explicit WelcomeCtlDesktopClient(QObject* parent = nullptr);

    // Asks the service for the brand information while the brand data still
    // needs it; false when it does not, and then nothing is sent.
    bool startBrandInfoCommand();
    // Posts this computer's description, unless a post is still pending.
    void postDeviceInfoData();

public slots:
    void startProfile() override;

private:
    void onBrandInfoCompleted(const QPointer<GetBrandInfoCommand>& command, bool success);
    void onDeviceInfoCompleted(bool success);
    void onDisconnectedState(bool down);

    QPointer<GetBrandInfoCommand> m_brandInfoCommand;
    QPointer<DeviceInfoCommand> m_deviceInfoCommand;
    BrandInfoRetry* m_brandInfoRetry;
    bool m_networkDown = false;
};
