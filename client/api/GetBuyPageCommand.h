#pragma once

#include "HttpCommand.h"

#include <QString>

class ClientAuthData;

// Asks the service for the shop page of the account.
class GetBuyPageCommand : public HttpCommand
{
    Q_OBJECT
public:
    GetBuyPageCommand(const ClientAuthData& data, QObject* parent);

    QString buyUrl;

protected:
    bool readXml(const QDomElement& result) override;
};
