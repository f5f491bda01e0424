#include "GetManagementPageCommand.h"

#include "ReplyFields.h"

namespace {

QString menuItemOf(GetManagementPageCommand::ManagementPage page)
{
    switch (page) {
    case GetManagementPageCommand::ManageDevicesPage:
        return QStringLiteral("manage_devices");
    case GetManagementPageCommand::ChangePasswordPage:
        return QStringLiteral("change_password");
    }
    return QString();
}

} // namespace

GetManagementPageCommand::GetManagementPageCommand(const ClientAuthData& data, QObject* parent, ManagementPage page)
    : AccountCommand(QStringLiteral("get_device_control_page"), data, {Email, DeviceId, EncryptedPassword}, parent)
    , page(page)
{
    const QString menuItem = menuItemOf(page);
    if (!menuItem.isNull())
        send(QStringLiteral("menu_item"), menuItem);
}

bool GetManagementPageCommand::readXml(const QDomElement& result)
{
    url = ReplyFields::text(result, QStringLiteral("url"));
    accountMgmtUrl = ReplyFields::text(result, QStringLiteral("account_mgmt_url"));
    token = ReplyFields::text(result, QStringLiteral("token"));
    return true;
}
