#include "Service.h"

#include <utility>

Service::Setting::~Setting() = default;

void Service::Setting::virtualTableOptimizer()
{
}

Service::ListSetting* Service::Setting::listSetting()
{
    return type() == List ? static_cast<ListSetting*>(this) : nullptr;
}

const Service::ListSetting* Service::Setting::listSetting() const
{
    return type() == List ? static_cast<const ListSetting*>(this) : nullptr;
}

Service::RangeSetting* Service::Setting::rangeSetting()
{
    return type() == Range ? static_cast<RangeSetting*>(this) : nullptr;
}

const Service::RangeSetting* Service::Setting::rangeSetting() const
{
    return type() == Range ? static_cast<const RangeSetting*>(this) : nullptr;
}

Service::Setting::Type Service::ListSetting::type() const
{
    return List;
}

Service::Setting::Type Service::RangeSetting::type() const
{
    return Range;
}

Service& Service::operator=(Service&& other) noexcept
{
    std::swap(id, other.id);
    std::swap(name, other.name);
    std::swap(description, other.description);
    std::swap(active, other.active);
    std::swap(block, other.block);
    std::swap(settings, other.settings);
    return *this;
}
