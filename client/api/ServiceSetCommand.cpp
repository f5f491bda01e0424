#include "ServiceSetCommand.h"

#include <QStringList>

namespace {

// "sid:value,sid:value"
QString settingsText(const SetService& service)
{
    QStringList pairs;
    for (const auto& setting : service.settings)
        pairs << setting.first + QLatin1Char(':') + setting.second;
    return pairs.join(QLatin1Char(','));
}

} // namespace

ServiceSetCommand::ServiceSetCommand(const ClientAuthData& auth, const std::vector<SetService>& services,
                                     QObject* parent)
    : AccountCommand({}, auth, {DeviceId, Email}, parent, ServicePath + QLatin1String("set"))
{
    for (const SetService& service : services) {
        if (service.state)
            send(QLatin1String("services[") + service.id + QLatin1Char(']'), settingsText(service));
    }
}

bool ServiceSetCommand::readXml(const QDomElement&)
{
    return true;
}
