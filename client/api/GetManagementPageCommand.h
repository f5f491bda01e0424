#pragma once

#include "AccountCommand.h"

// A signed-in link to the account's web pages.
class GetManagementPageCommand : public AccountCommand
{
    Q_OBJECT
public:
    enum ManagementPage : int {
        ManageDevicesPage = 1,
        ChangePasswordPage = 2,
    };
    Q_ENUM(ManagementPage)

    // A page of any other value asks for none in particular.
    GetManagementPageCommand(const ClientAuthData& data, QObject* parent, ManagementPage page);

    QString url;
    QString token;
    const ManagementPage page;
    QString accountMgmtUrl;

protected:
    bool readXml(const QDomElement& result) override;
};
