#include "GetBrandInfoCommand.h"

#include "ClientAuthData.h"

GetBrandInfoCommand::GetBrandInfoCommand(const ClientAuthData& data, QObject* parent)
    : HttpCommand(QString(), DictionaryPath, parent)
{
    params.insert(QStringLiteral("appid"), data.appId());
    params.insert(QStringLiteral("category"), QStringLiteral("brand_params"));
}

bool GetBrandInfoCommand::readXml(const QDomElement& result)
{
    answer = result;
    return true;
}
