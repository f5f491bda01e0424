#include "LocalConnectionState.h"

namespace {
QString flag(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

QStringList LocalConnectionState::toValues() const
{
    return {QString::number(int(physicalState)), flag(secured), flag(enabled), connectionType,
            wifiName, QString::number(int(wifiSecurity)), flag(wifiAdapterPresent), flag(wifiPowerOn)};
}
