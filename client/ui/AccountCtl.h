#pragma once

#include "ChangePassword.h"

#include <ChangePasswordCommand.h>
#include <ClientAuthData.h>
#include <EncryptPasswordCommand.h>
#include <GetManagementPageCommand.h>
#include <HttpAccess.h>
#include <ProfileCommand.h>
#include <ResetPasswordCommand.h>

#include <QObject>
#include <QPointer>
#include <QSharedPointer>

// Behind the account and password windows: opens the account's web pages in
// the user's browser, asks for a password reset, refreshes the profile and runs
// a password change as three service commands. One command of each kind runs
// at a time; a new one replaces the one still running, whose answer is then
// never heard.
class AccountCtl : public QObject
{
    Q_OBJECT
public:
    enum ManagementPage : int {
        AccountPage = 0,
        DeviceManagementPage = 1,
        PasswordPage = 2,
    };
    Q_ENUM(ManagementPage)

    explicit AccountCtl(QObject* parent = nullptr);
    ~AccountCtl() override;

    void init(QSharedPointer<HttpAccess>& access, QSharedPointer<ClientAuthData>& authData);
    void openManagementPage(ManagementPage page);
    void runProfile();

    ChangePassword* changePasswordDialog() const { return m_changePassword; }

signals:
    // The service no longer takes the account's credentials.
    void authenticationError();
    void passwordResetFinished(bool success, QString text);

public slots:
    void applyBrandInfo();
    void openAccountManagementPage();
    void openDeviceManagementPage();
    void openChangePasswordManagementPage();
    void getManagementPageCallFinished(bool exchangeOk);
    void resetPassword();
    void updateSubscriptionSlot();
    void showChangePassword();
    void changePassword(const QString& oldPassword, const QString& newPassword);

private slots:
    void resetPasswordCallFinished(bool exchangeOk);
    void profileCallFinished(bool exchangeOk);
    void encryptOldPasswordCallFinished(bool exchangeOk);
    void encryptNewPasswordCallFinished(bool exchangeOk);
    void changePasswordCallFinished(bool exchangeOk);

private:
    template <class Command>
    void start(QPointer<Command>& running, Command* command, void (AccountCtl::*handler)(bool));
    template <class Command>
    static Command* takeFinished(QPointer<Command>& running);

    void startEncryption(QPointer<EncryptPasswordCommand>& running, const QString& password,
                         void (AccountCtl::*handler)(bool));
    void encryptOldPasswordCall(const QString& oldPassword);
    bool encrypted(EncryptPasswordCommand* command, bool exchangeOk);
    void encryptNewPasswordCall(const QString& newPassword);
    void changePasswordCall(const QString& encryptedOld, const QString& encryptedNew);
    // A record without a store that carries only the stored e-mail and this password.
    void fillCarrier(ClientAuthData& carrier, const QString& password) const;
    void openPage(const GetManagementPageCommand& command);

    QSharedPointer<HttpAccess> m_access;
    QSharedPointer<ClientAuthData> m_authData;
    QPointer<ProfileCommand> m_profileCommand;
    QPointer<GetManagementPageCommand> m_managementPageCommand;
    QPointer<ResetPasswordCommand> m_resetPasswordCommand;
    QPointer<EncryptPasswordCommand> m_encryptOldPasswordCommand;
    QPointer<EncryptPasswordCommand> m_encryptNewPasswordCommand;
    QPointer<ChangePasswordCommand> m_changePasswordCommand;
    QPointer<ChangePassword> m_changePassword;
    QString m_encryptedOldPassword;
    QString m_newPassword;
    QString m_encryptedNewPassword;
};
