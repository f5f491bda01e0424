#include "UpdateCommand.h"

#include "ClientAuthData.h"
#include "PlatformNames.h"
#include "ReplyFields.h"

UpdateCommand::UpdateCommand(const ClientAuthData& auth, int version, const QString& locale, QObject* parent)
    : AccountCommand(QStringLiteral("update"), auth, {}, parent)
{
    send(QStringLiteral("version"), QString::number(version));
    send(QStringLiteral("locale"), locale);
    if (auth.isSerialValid())
        send(Serial, auth);
    send(QStringLiteral("os"), PlatformNames::os);
}

bool UpdateCommand::readXml(const QDomElement& result)
{
    url = ReplyFields::text(result, QStringLiteral("url"));
    description = ReplyFields::text(result, QStringLiteral("description"));
    version = ReplyFields::signedNumber(ReplyFields::text(result, QStringLiteral("version")));
    return true;
}
