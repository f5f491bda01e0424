#include "DeviceIdMigrationCommand.h"

#include "ReplyFields.h"

#include <QStringList>

DeviceIdMigrationCommand::DeviceIdMigrationCommand(const ClientAuthData& data, const QList<QString>& macAddresses,
                                                   const QString& deviceId, QObject* parent)
    : AccountCommand(QStringLiteral("devid_migration"), data, {Email}, parent)
{
    send(QStringLiteral("devid"), deviceId);
    send(QStringLiteral("mac"), QStringList(macAddresses).join(QLatin1Char(',')));
}

bool DeviceIdMigrationCommand::readXml(const QDomElement& result)
{
    bool ok = false;
    const int number = ReplyFields::text(result, QStringLiteral("count")).toInt(&ok, 10);
    count = ok ? number : 0;
    return true;
}
