#pragma once

#include "OZDialog.h"
#include "ui_Account.h"

#include <ClientAuthData.h>
#include <Subscription.h>

#include <QSharedPointer>

// The user's account as the shared account data tells it: subscription, e-mail,
// this device, the device counts and the expiry, with the ways to top up or
// renew, to change the password and to manage the account on the web. All it
// does beyond showing is ask, through its signals.
class Account : public OZDialog
{
    Q_OBJECT
public:
    // Longer device names are wrapped so that no line runs longer without a blank.
    static constexpr int DeviceNameLineLength = 36;
    // From this limit on the account has no limit worth a number.
    static constexpr uint UnlimitedDevices = 1000;

    explicit Account(QWidget* parent = nullptr);

    void init(QSharedPointer<ClientAuthData> authData);

signals:
    void buy();
    void openAccountManagementPage();
    void openChangePasswordManagementPage();
    void openDeviceManagementPage();
    void showChangePasswd();
    void forgotPassword();
    // Every opening asks for a fresh profile.
    void updateSubscription();

public slots:
    void display() override;
    void setEmail(const QString& email);
    void setDeviceName(const QString& name);
    void setDevicesNumber(const uint& limit, const uint& count);
    void setSubscription(SubscriptionPointer subscription);
    void applyBrandInfo();

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateUi();
    // The row has its place in the form only while the subscription counts devices.
    void showDevicesAuthorizedRow(bool shown);
    void restoreValues();

    Ui::Account m_ui;
    SubscriptionPointer m_subscription;
    QSharedPointer<ClientAuthData> m_authData;
};
