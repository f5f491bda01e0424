#include "VpnAuthData.h"

#include "RecordXml.h"

namespace {
const QString RootName = QStringLiteral("VpnAuthData");
const QStringList ElementNames = {QStringLiteral("host"), QStringLiteral("user"), QStringLiteral("password"),
                                  QStringLiteral("is_encrypted")};
} // namespace

QString VpnAuthData::toString() const
{
    return RecordXml::write(RootName, ElementNames, {host, user, password, QString::number(is_encrypted ? 1 : 0)});
}

VpnAuthData VpnAuthData::fromString(const QString& text)
{
    const QStringList fields = RecordXml::read(text, RootName, ElementNames.size());
    VpnAuthData data;
    if (fields.isEmpty())
        return data;
    data.host = fields.at(0);
    data.user = fields.at(1);
    data.password = fields.at(2);
    data.is_encrypted = fields.at(3).toInt() != 0;
    return data;
}

bool VpnAuthData::operator==(const VpnAuthData& other) const
{
    return host == other.host && user == other.user && password == other.password
        && is_encrypted == other.is_encrypted;
}
