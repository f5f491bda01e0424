#pragma once

#include <QMetaType>
#include <QString>

// Where the service sees the client: its public address and the place. A null
// ip means the reply named none; an empty one, that it named an empty one.
struct Location
{
    QString ip;
    QString description;
    QString isoCountryCode;

    // A request for it is pending: all three texts null.
    static Location identifying() { return Location(); }
    // Nothing is known: all three texts empty, not null.
    static Location unknown() { return Location{QStringLiteral(""), QStringLiteral(""), QStringLiteral("")}; }
    bool isIdentifying() const { return ip.isNull() && description.isNull() && isoCountryCode.isNull(); }

    // Null and empty texts differ here: they are the two placeholders.
    bool operator==(const Location& other) const
    {
        return same(ip, other.ip) && same(description, other.description) &&
               same(isoCountryCode, other.isoCountryCode);
    }
    bool operator!=(const Location& other) const { return !(*this == other); }

private:
    static bool same(const QString& a, const QString& b) { return a.isNull() == b.isNull() && a == b; }
};

Q_DECLARE_METATYPE(Location)
