#include "GetBuyPageCommand.h"

#include "ClientAuthData.h"
#include "ReplyFields.h"

GetBuyPageCommand::GetBuyPageCommand(const ClientAuthData& data, QObject* parent)
    : HttpCommand(QString(), DictionaryPath, parent)
{
    params.insert(QStringLiteral("appid"), data.appId());
    // As it is: the transport escapes "+" and "%". Without an address the key
    // still goes, with an empty value.
    params.insert(QStringLiteral("email"), data.email().isNull() ? QStringLiteral("") : data.email());
    params.insert(QStringLiteral("category"), QStringLiteral("url"));
    params.insert(QStringLiteral("key"), QStringLiteral("buy"));
}

bool GetBuyPageCommand::readXml(const QDomElement& result)
{
    buyUrl = ReplyFields::text(result, QStringLiteral("value"));
    return true;
}
