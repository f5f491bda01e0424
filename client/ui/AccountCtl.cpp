#include "AccountCtl.h"

#include "ExternalUrl.h"

#include <HttpCommandCode.h>
#include <SecretMasking.h>

#include <QDebug>
#include <QUrl>
#include <QUrlQuery>

#include <utility>

namespace {

// The token signs the user in on the web: a log shows that there was one, never what.
const char HiddenToken[] = "***";

const char* boolText(bool value)
{
    return value ? "true" : "false";
}

// The menu item of a page; a null text for the account page, which takes none.
bool menuItemOf(AccountCtl::ManagementPage page, QString* menuItem)
{
    switch (page) {
    case AccountCtl::AccountPage:
        *menuItem = QString();
        return true;
    case AccountCtl::DeviceManagementPage:
        *menuItem = QStringLiteral("manage_devices");
        return true;
    case AccountCtl::PasswordPage:
        *menuItem = QStringLiteral("change_password");
        return true;
    }
    return false;
}

} // namespace

AccountCtl::AccountCtl(QObject* parent)
    : QObject(parent)
    , m_changePassword(new ChangePassword)
{
    connect(m_changePassword, &ChangePassword::startPasswordChange, this, &AccountCtl::changePassword);
}

AccountCtl::~AccountCtl()
{
    delete m_changePassword;
}

void AccountCtl::init(QSharedPointer<HttpAccess>& access, QSharedPointer<ClientAuthData>& authData)
{
    m_access = access;
    m_authData = authData;
}

void AccountCtl::applyBrandInfo()
{
    if (m_changePassword)
        m_changePassword->applyBrandInfo();
}

// A command still running of the same kind is cut off first, so that its late
// answer cannot act on top of the new one.
template <class Command>
void AccountCtl::start(QPointer<Command>& running, Command* command, void (AccountCtl::*handler)(bool))
{
    if (running) {
        running->disconnect();
        running->deleteLater();
    }
    if (!m_access) {
        delete command;
        return;
    }
    running = command;
    connect(command, &HttpCommand::completed, this, handler);
    command->execute(m_access.data());
}

template <class Command>
Command* AccountCtl::takeFinished(QPointer<Command>& running)
{
    Command* command = std::exchange(running, nullptr);
    if (command)
        command->deleteLater();
    return command;
}

void AccountCtl::openAccountManagementPage()
{
    openManagementPage(AccountPage);
}

void AccountCtl::openDeviceManagementPage()
{
    openManagementPage(DeviceManagementPage);
}

void AccountCtl::openChangePasswordManagementPage()
{
    openManagementPage(PasswordPage);
}

void AccountCtl::openManagementPage(ManagementPage page)
{
    if (!m_authData)
        return;
    start(m_managementPageCommand,
          new GetManagementPageCommand(*m_authData, this, GetManagementPageCommand::ManagementPage(page)),
          &AccountCtl::getManagementPageCallFinished);
}

void AccountCtl::getManagementPageCallFinished(bool exchangeOk)
{
    GetManagementPageCommand* command = takeFinished(m_managementPageCommand);
    if (!command)
        return;
    if (!exchangeOk) {
        qDebug() << "GetManagementPageCommand execute error:" << command->qtErrorString();
        return;
    }
    qDebug() << "getManagementPageCallFinished, STATUS CODE:" << HttpCommandCode::nameOf(command->resultCode())
             << command->resultText();
    qDebug() << "Management page url:" << maskSecrets(command->url) << "Token:"
             << (command->token.isEmpty() ? "" : HiddenToken);
    if (command->resultCode() == HttpCommandCode::AuthenticationError) {
        emit authenticationError();
        return;
    }
    openPage(*command);
}

// The token and the menu item join whatever query the service's address has,
// encoded, so that no character of theirs can end the query or start another
// parameter; and a signed-in address leaves only over https.
void AccountCtl::openPage(const GetManagementPageCommand& command)
{
    const auto page = ManagementPage(int(command.page));
    QString menuItem;
    if (!menuItemOf(page, &menuItem)) {
        qCritical() << "ERROR" << "urlIndex in getManagementPageCallFinished() cannot be matched:" << int(page);
        return;
    }
    QUrl address = QUrl::fromUserInput(command.url);
    if (address.scheme() != QLatin1String("https") || address.host().isEmpty()) {
        qWarning() << "Management page not opened, its address is not https:" << maskSecrets(command.url);
        return;
    }
    QUrlQuery query(address);
    query.addQueryItem(QStringLiteral("token"), QString::fromLatin1(QUrl::toPercentEncoding(command.token)));
    if (!menuItem.isNull())
        query.addQueryItem(QStringLiteral("menu_item"), menuItem);
    address.setQuery(query);
    ozm::openExternalUrl(address);
}

void AccountCtl::resetPassword()
{
    if (!m_authData)
        return;
    start(m_resetPasswordCommand, new ResetPasswordCommand(*m_authData, this), &AccountCtl::resetPasswordCallFinished);
}

void AccountCtl::resetPasswordCallFinished(bool exchangeOk)
{
    ResetPasswordCommand* command = takeFinished(m_resetPasswordCommand);
    if (command)
        emit passwordResetFinished(exchangeOk && command->isSuccess(), command->resultText());
}

void AccountCtl::updateSubscriptionSlot()
{
    if (!m_profileCommand)
        runProfile();
}

void AccountCtl::runProfile()
{
    if (!m_authData)
        return;
    start(m_profileCommand, new ProfileCommand(*m_authData, this), &AccountCtl::profileCallFinished);
}

void AccountCtl::profileCallFinished(bool exchangeOk)
{
    ProfileCommand* command = takeFinished(m_profileCommand);
    if (!command)
        return;
    if (exchangeOk) {
        m_authData->setMyDeviceRegistered(command->myDeviceRegistered);
        if (command->isSuccess() || command->resultCode() == HttpCommandCode::AccountExpired) {
            m_authData->setDevName(command->myDeviceName);
            if (m_authData->isPasswordValid())
                m_authData->setSubscription(command->subscription);
            m_authData->setDevicesNumber(command->userDeviceLimit, command->existingDeviceCount);
            return;
        }
    }
    qDebug() << "Profile command failed:" << boolText(exchangeOk) << boolText(command->isSuccess())
             << command->resultText();
}

void AccountCtl::showChangePassword()
{
    if (m_changePassword)
        m_changePassword->displayChangePassword();
}

void AccountCtl::changePassword(const QString& oldPassword, const QString& newPassword)
{
    m_newPassword = newPassword;
    encryptOldPasswordCall(oldPassword);
}

void AccountCtl::fillCarrier(ClientAuthData& carrier, const QString& password) const
{
    if (m_authData)
        carrier.setEmail(m_authData->email());
    carrier.setPassword(password);
}

void AccountCtl::startEncryption(QPointer<EncryptPasswordCommand>& running, const QString& password,
                                 void (AccountCtl::*handler)(bool))
{
    ClientAuthData carrier;
    fillCarrier(carrier, password);
    start(running, new EncryptPasswordCommand(carrier, this), handler);
}

void AccountCtl::encryptOldPasswordCall(const QString& oldPassword)
{
    startEncryption(m_encryptOldPasswordCommand, oldPassword, &AccountCtl::encryptOldPasswordCallFinished);
}

void AccountCtl::encryptOldPasswordCallFinished(bool exchangeOk)
{
    EncryptPasswordCommand* command = takeFinished(m_encryptOldPasswordCommand);
    if (!encrypted(command, exchangeOk))
        return;
    m_encryptedOldPassword = command->encryptedPassword;
    // The typed password is not kept once it is on its way.
    encryptNewPasswordCall(std::exchange(m_newPassword, QString()));
}

// A failed encryption ends the change as a failed validation: the exchange
// failure told apart from the service's refusal.
bool AccountCtl::encrypted(EncryptPasswordCommand* command, bool exchangeOk)
{
    if (!command)
        return false;
    if (exchangeOk && command->isSuccess())
        return true;
    if (m_changePassword)
        m_changePassword->onPasswordValidateFailed(exchangeOk ? ChangePassword::Refused : ChangePassword::ExchangeFailed,
                                                   command->resultText());
    return false;
}

void AccountCtl::encryptNewPasswordCall(const QString& newPassword)
{
    startEncryption(m_encryptNewPasswordCommand, newPassword, &AccountCtl::encryptNewPasswordCallFinished);
}

void AccountCtl::encryptNewPasswordCallFinished(bool exchangeOk)
{
    EncryptPasswordCommand* command = takeFinished(m_encryptNewPasswordCommand);
    if (!encrypted(command, exchangeOk))
        return;
    m_encryptedNewPassword = command->encryptedPassword;
    changePasswordCall(m_encryptedOldPassword, m_encryptedNewPassword);
}

void AccountCtl::changePasswordCall(const QString& encryptedOld, const QString& encryptedNew)
{
    if (!m_authData)
        return;
    if (m_changePassword)
        m_changePassword->onPasswordValidateSuccess();
    ClientAuthData carrier;
    fillCarrier(carrier, encryptedOld);
    start(m_changePasswordCommand, new ChangePasswordCommand(carrier, encryptedNew, this),
          &AccountCtl::changePasswordCallFinished);
}

void AccountCtl::changePasswordCallFinished(bool exchangeOk)
{
    ChangePasswordCommand* command = takeFinished(m_changePasswordCommand);
    if (!command)
        return;
    const bool success = exchangeOk && command->isSuccess();
    if (success)
        m_authData->setPassword(command->newEncryptedPassword);
    if (m_changePassword)
        m_changePassword->onPasswordChangeResult(success, exchangeOk, command->resultText());
}
