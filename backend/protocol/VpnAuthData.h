#pragma once

#include <QString>

// The credentials of one activation as the service issued them.
class VpnAuthData
{
public:
    QString host;
    QString user;
    QString password;
    bool is_encrypted = false;

    QString toString() const;
    // All fields empty and false when the text is not a "VpnAuthData" record.
    static VpnAuthData fromString(const QString& text);

    bool operator==(const VpnAuthData& other) const;
    bool operator!=(const VpnAuthData& other) const { return !(*this == other); }
};
