#pragma once

#include <QString>
#include <QStringList>

// One VPN server as the service lists it. Clusters refer to servers by name.
class VpnServer
{
public:
    QString name;
    QString host;
    QString city;
    QString country;
    QString state;

    QString toString() const;
    static VpnServer fromString(const QString& text);

    bool operator==(const VpnServer& other) const;
    bool operator!=(const VpnServer& other) const { return !(*this == other); }

    // Matches servers by host: mode 0 keeps hosts in the list, mode 1 those not in it.
    class CompareByHosts
    {
    public:
        CompareByHosts(const QString& host, int mode);
        bool operator()(const VpnServer& server) const;

    private:
        QStringList hosts;
        int mode;
    };
};
