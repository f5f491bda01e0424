#pragma once

#include "WirelessSecurity.h"

#include <QList>
#include <QString>

class NetworkPlatform;

// One network service of the computer, as getNetworkConnections() reports it.
struct NetworkConnection
{
    enum Type : qint32 { Wireless = 0, Ppp = 1, Wired = 2 };

    QString interfaceName;  // empty for a service without an interface of its own
    QString serviceName;
    Type type = Wired;
    bool enabled = false;
    bool powerOn = false;
    bool linkActive = false;
    bool networksAvailable = false;
    bool hasAddress = false;
};

// The backend's only window on the computer's network configuration: questions
// about the network and the few repairs the backend makes. Stateless; every call
// asks the platform afresh and blocks until its answer is in.
class NetworkCtl
{
public:
    static QList<NetworkConnection> getNetworkConnections(bool skipScan);
    // The result is always true; powerOn tells whether the Wi-Fi adapter is on.
    static bool checkWiFiAdapter(bool& powerOn);
    static QString turnon_wifi();
    static QString getDefaultNetworkInterface();
    static QString getTcpIpConfigMethod();
    static QString getStaticRouter();
    static void renewDHCP(const QString& interfaceName);
    static void recoverDNS();
    static bool isInternetConnectionExisted();
    static bool isConnectionEnabled();
    static bool isConnectionSecured();
    static void getWifiStatus(QString& ssid, WirelessSecurity& security);
    static QString typeOfNetworkConnectionReadable();

    // The platform every call above asks. Not owned; nullptr puts the
    // machine's own platform back. Tests install a fake here.
    static void setPlatform(NetworkPlatform* platform);
    static NetworkPlatform& platform();

    // The calls made while one lives make up one decision: the platform may
    // answer them all from one look at the system.
    class OneReading
    {
    public:
        OneReading();
        ~OneReading();
        OneReading(const OneReading&) = delete;
        OneReading& operator=(const OneReading&) = delete;

    private:
        NetworkPlatform& m_platform;
    };
};
