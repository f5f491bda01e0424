#include "ServiceGetCommand.h"

#include "ReplyFields.h"

#include <QDebug>
#include <QDomElement>

#include <climits>

namespace {

const QString Element = QStringLiteral("element");

QStringList elementTexts(const QDomElement& parent)
{
    QStringList texts;
    for (QDomElement item = parent.firstChildElement(Element); !item.isNull(); item = item.nextSiblingElement(Element))
        texts << item.text();
    return texts;
}

template<typename Kind>
std::unique_ptr<Kind> named(const QDomElement& element)
{
    auto setting = std::make_unique<Kind>();
    setting->id = ReplyFields::text(element, QStringLiteral("id"));
    setting->name = ReplyFields::text(element, QStringLiteral("name"));
    return setting;
}

} // namespace

ServiceGetCommand::ServiceGetCommand(const ClientAuthData& auth, QObject* parent)
    : AccountCommand({}, auth, {DeviceId, Email}, parent, ServicePath + QLatin1String("get"))
{
}

bool ServiceGetCommand::readXml(const QDomElement& result)
{
    services.clear();
    const QDomElement list = result.firstChildElement(QStringLiteral("services"));
    for (QDomElement item = list.firstChildElement(Element); !item.isNull(); item = item.nextSiblingElement(Element))
        services.push_back(readService(item));
    return true;
}

Service ServiceGetCommand::readService(const QDomElement& element)
{
    Service service;
    service.id = ReplyFields::text(element, QStringLiteral("id"));
    service.name = ReplyFields::text(element, QStringLiteral("name"));
    service.description = ReplyFields::text(element, QStringLiteral("description"));
    service.active = ReplyFields::signedNumber(ReplyFields::text(element, QStringLiteral("active"))) != 0;
    service.block = elementTexts(element.firstChildElement(QStringLiteral("block")));
    const Choices choices = readChoices(ReplyFields::text(element, QStringLiteral("user_settings")));
    const QDomElement available = element.firstChildElement(QStringLiteral("available_settings"));
    for (QDomElement item = available.firstChildElement(Element); !item.isNull();
         item = item.nextSiblingElement(Element)) {
        if (std::unique_ptr<Service::Setting> setting = readSetting(item, choices))
            service.settings.push_back(std::move(setting));
    }
    return service;
}

ServiceGetCommand::Choices ServiceGetCommand::readChoices(const QString& userSettings)
{
    Choices choices;
    for (const QString& part : userSettings.split(QLatin1Char(','))) {
        const QStringList pieces = part.split(QLatin1Char(':'));
        if (pieces.size() == 2)
            choices.insert(pieces[0], pieces[1]);
    }
    return choices;
}

std::unique_ptr<Service::Setting> ServiceGetCommand::readSetting(const QDomElement& element, const Choices& choices)
{
    const QString id = ReplyFields::text(element, QStringLiteral("id"));
    const QString type = ReplyFields::text(element, QStringLiteral("type"));
    // The user's choice when there is one, else the service's default.
    const auto current = [&](const char* fallback) {
        return choices.contains(id) ? choices.value(id) : ReplyFields::text(element, QLatin1String(fallback));
    };
    if (type.isEmpty() || type == QLatin1String("list"))
        return readList(element, current("default_value_index"));
    if (type == QLatin1String("range"))
        return readRange(element, current("default_value"));
    qCritical().noquote() << "Got unknown setting type:" << type;
    return nullptr;
}

std::unique_ptr<Service::Setting> ServiceGetCommand::readList(const QDomElement& element, const QString& current)
{
    std::unique_ptr<Service::ListSetting> setting = named<Service::ListSetting>(element);
    setting->index = ReplyFields::signedNumber(current, -1);
    setting->values = elementTexts(element.firstChildElement(QStringLiteral("values")));
    if (setting->id.isEmpty() || setting->name.isEmpty() || setting->index < 0 || setting->index >= setting->values.size())
        return nullptr;
    return setting;
}

std::unique_ptr<Service::Setting> ServiceGetCommand::readRange(const QDomElement& element, const QString& current)
{
    const QDomElement range = element.firstChildElement(QStringLiteral("range_info"));
    if (range.isNull())
        return nullptr;
    std::unique_ptr<Service::RangeSetting> setting = named<Service::RangeSetting>(element);
    setting->value = ReplyFields::signedNumber(current, INT_MIN);
    setting->min = ReplyFields::signedNumber(ReplyFields::text(range, QStringLiteral("min")), INT_MIN);
    setting->max = ReplyFields::signedNumber(ReplyFields::text(range, QStringLiteral("max")), INT_MAX);
    // The extremes stand for "not given": such a range bounds nothing.
    if (setting->min == INT_MIN || setting->max == INT_MAX || setting->value < setting->min
        || setting->value > setting->max)
        return nullptr;
    return setting;
}
