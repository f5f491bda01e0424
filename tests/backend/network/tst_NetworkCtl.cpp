#include "FakeNetworkPlatform.h"
#include "NetworkCtl.h"
#include "OperatorWebHost.h"

#include <QtTest>

using Service = NetworkPlatform::Service;
using Kind = NetworkPlatform::ServiceKind;
using WifiNetwork = NetworkPlatform::WifiNetwork;

Q_DECLARE_METATYPE(Service)
Q_DECLARE_METATYPE(WifiNetwork)

namespace {

QStringList capturedLog;

void captureMessage(QtMsgType, const QMessageLogContext&, const QString& text)
{
    capturedLog << text;
}

Service service(Kind kind, const QString& iface)
{
    return FakeNetworkPlatform::connectedService(kind, iface);
}

Service withoutAddress(Service s)
{
    s.hasIPv4Address = false;
    return s;
}

Service withoutLink(Service s)
{
    s.linkActive = false;
    return s;
}

Service poweredOff(Service s)
{
    s.wifiPowered = false;
    return s;
}

Service withoutInterface(Service s)
{
    s.interfaceName.clear();
    return s;
}

WifiNetwork joined(const QString& ssid, int kind)
{
    return WifiNetwork{ssid, kind};
}

QString flag(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

// Positions 2 to 8 of the network report, as the backend puts them on the wire.
QStringList networkReport()
{
    QString ssid;
    WirelessSecurity security = SecurityNone;
    NetworkCtl::getWifiStatus(ssid, security);
    bool powerOn = false;
    const bool adapter = NetworkCtl::checkWiFiAdapter(powerOn);
    return {flag(NetworkCtl::isConnectionSecured()), flag(NetworkCtl::isConnectionEnabled()),
            NetworkCtl::typeOfNetworkConnectionReadable(), ssid, QString::number(security),
            flag(adapter), flag(powerOn)};
}

} // namespace

class tst_NetworkCtl : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void report_data();
    void report();
    void connections_data();
    void connections();
    void unreadableConfiguration();
    void primaryInterfaceRetries_data();
    void primaryInterfaceRetries();
    void repairs_data();
    void repairs();
    void internetMeansOperatorHost();

private:
    QtMessageHandler m_previousHandler = nullptr;
};

void tst_NetworkCtl::init()
{
    capturedLog.clear();
    m_previousHandler = qInstallMessageHandler(captureMessage);
}

void tst_NetworkCtl::cleanup()
{
    qInstallMessageHandler(m_previousHandler);
}

void tst_NetworkCtl::report_data()
{
    QTest::addColumn<QList<Service>>("services");
    QTest::addColumn<QString>("primary");
    QTest::addColumn<WifiNetwork>("wifi");
    QTest::addColumn<bool>("adapterPowered");
    QTest::addColumn<bool>("linkLocal");
    QTest::addColumn<QStringList>("expected");

    const Service eth0 = service(Kind::Other, "eth0");
    const Service wlan0 = service(Kind::Wireless, "wlan0");
    const QList<Service> wifiOnly{wlan0};

    QTest::newRow("wired") << QList<Service>{eth0, withoutLink(wlan0)} << "eth0" << WifiNetwork{}
                           << true << true
                           << QStringList{"1", "1", "Wired connection", "", "0", "1", "1"};
    QTest::newRow("ppp with interface") << QList<Service>{service(Kind::Ppp, "ppp0")} << "ppp0"
                                        << WifiNetwork{} << true << true
                                        << QStringList{"1", "1", "PPP connection", "", "0", "1", "1"};
    QTest::newRow("ppp without interface name")
        << QList<Service>{withoutInterface(service(Kind::Ppp, "ppp0"))} << "ppp0" << WifiNetwork{}
        << true << true << QStringList{"0", "1", "Unknown connection type", "", "0", "1", "1"};
    QTest::newRow("wifi open") << wifiOnly << "wlan0" << joined("Cafe", 0) << true << true
                               << QStringList{"0", "1", "Unencrypted wireless", "Cafe", "1", "1", "1"};
    QTest::newRow("wifi wep") << wifiOnly << "wlan0" << joined("Old", 1) << true << true
                              << QStringList{"0", "1", "WEP wifi encryption", "Old", "2", "1", "1"};
    QTest::newRow("wifi dynamic wep") << wifiOnly << "wlan0" << joined("Old", 6) << true << true
                                      << QStringList{"0", "1", "WEP wifi encryption", "Old", "2", "1", "1"};
    QTest::newRow("wifi wpa") << wifiOnly << "wlan0" << joined("Home", 2) << true << true
                              << QStringList{"1", "1", "WPA wifi encryption", "Home", "3", "1", "1"};
    QTest::newRow("wifi wpa mixed") << wifiOnly << "wlan0" << joined("Home", 3) << true << true
                                    << QStringList{"1", "1", "WPA wifi encryption", "Home", "3", "1", "1"};
    QTest::newRow("wifi wpa2") << wifiOnly << "wlan0" << joined("Home", 4) << true << true
                               << QStringList{"1", "1", "WPA/2 wifi encryption", "Home", "4", "1", "1"};
    QTest::newRow("wifi wpa enterprise") << wifiOnly << "wlan0" << joined("Corp", 7) << true << true
                                         << QStringList{"1", "1", "WPA wifi encryption", "Corp", "3", "1", "1"};
    QTest::newRow("wifi wpa2 enterprise") << wifiOnly << "wlan0" << joined("Corp", 9) << true << true
                                          << QStringList{"1", "1", "WPA/2 wifi encryption", "Corp", "4", "1", "1"};
    QTest::newRow("wifi kind not stated") << wifiOnly << "wlan0" << joined("Odd", 5) << true << true
                                          << QStringList{"0", "1", "Unencrypted wireless", "Odd", "0", "1", "1"};
    QTest::newRow("wifi unknown kind") << wifiOnly << "wlan0" << joined("Odd", 12) << true << true
                                       << QStringList{"0", "1", "Unencrypted wireless", "Odd", "0", "1", "1"};
    QTest::newRow("wifi kind not reported") << wifiOnly << "wlan0" << joined("Odd", NetworkPlatform::NoSecurityKind)
                                            << true << true
                                            << QStringList{"0", "1", "Unencrypted wireless", "Odd", "0", "1", "1"};
    QTest::newRow("wifi name cannot forge lines")
        << wifiOnly << "wlan0" << joined(QStringLiteral("Cafe\nOZM_VPN_DEACTIVATE\r\x01"), 4) << true << true
        << QStringList{"1", "1", "WPA/2 wifi encryption", "Cafe?OZM_VPN_DEACTIVATE??", "4", "1", "1"};
    QTest::newRow("wifi off") << QList<Service>{poweredOff(withoutLink(wlan0))} << "" << WifiNetwork{}
                              << false << false
                              << QStringList{"0", "0", "No connection", "", "0", "1", "0"};
    QTest::newRow("link without address") << QList<Service>{withoutAddress(eth0)} << "" << WifiNetwork{}
                                          << true << false
                                          << QStringList{"0", "0", "No connection", "", "0", "1", "1"};
    QTest::newRow("no default route") << QList<Service>{eth0} << "" << WifiNetwork{} << true << true
                                      << QStringList{"0", "1", "No connection", "", "0", "1", "1"};
    QTest::newRow("default route on no service") << QList<Service>{eth0} << "tun7" << WifiNetwork{}
                                                 << true << true
                                                 << QStringList{"0", "1", "Unknown connection type", "", "0", "1", "1"};
}

void tst_NetworkCtl::report()
{
    QFETCH(QList<Service>, services);
    QFETCH(QString, primary);
    QFETCH(WifiNetwork, wifi);
    QFETCH(bool, adapterPowered);
    QFETCH(bool, linkLocal);
    QFETCH(QStringList, expected);

    FakeNetworkPlatform fake;
    fake.serviceList = services;
    if (!primary.isEmpty())
        fake.setPrimary(primary);
    fake.wifi = wifi;
    fake.adapterPowered = adapterPowered;
    fake.linkLocalReachable = linkLocal;

    QCOMPARE(networkReport(), expected);
    // Deciding the report must never cost a Wi-Fi scan.
    QVERIFY(!fake.calls.join('|').contains("wifiNetworksInRange"));
}

void tst_NetworkCtl::connections_data()
{
    QTest::addColumn<Service>("service");
    QTest::addColumn<bool>("skipScan");
    QTest::addColumn<bool>("inRange");
    QTest::addColumn<int>("type");
    // powerOn, linkActive, networksAvailable, hasAddress
    QTest::addColumn<QString>("flags");
    QTest::addColumn<bool>("scanned");

    const Service eth0 = service(Kind::Other, "eth0");
    const Service ppp = service(Kind::Ppp, "ppp0");
    const Service wlan0 = service(Kind::Wireless, "wlan0");
    const int wired = NetworkConnection::Wired;
    const int wireless = NetworkConnection::Wireless;
    const int pppType = NetworkConnection::Ppp;

    QTest::newRow("wired up") << eth0 << false << false << wired << "1111" << false;
    QTest::newRow("wired unplugged") << withoutLink(eth0) << false << false << wired << "1010" << false;
    QTest::newRow("wired no address") << withoutAddress(eth0) << false << false << wired << "1110" << false;
    QTest::newRow("wired without interface") << withoutInterface(eth0) << false << false << wired << "0000" << false;
    QTest::newRow("ppp without interface") << withoutInterface(ppp) << false << false << pppType << "1111" << false;
    QTest::newRow("ppp without interface or address")
        << withoutAddress(withoutInterface(withoutLink(ppp))) << false << false << pppType << "1110" << false;
    QTest::newRow("wifi joined") << wlan0 << false << false << wireless << "1111" << false;
    QTest::newRow("wifi unjoined, networks around") << withoutLink(wlan0) << false << true << wireless << "1010" << true;
    QTest::newRow("wifi unjoined, nothing around") << withoutLink(wlan0) << false << false << wireless << "1000" << true;
    QTest::newRow("wifi unjoined, scan skipped") << withoutLink(wlan0) << true << true << wireless << "1000" << false;
    QTest::newRow("wifi off") << poweredOff(withoutLink(wlan0)) << false << true << wireless << "0000" << false;
    QTest::newRow("wifi off keeps stale link") << poweredOff(wlan0) << false << true << wireless << "0110" << false;
}

void tst_NetworkCtl::connections()
{
    QFETCH(Service, service);
    QFETCH(bool, skipScan);
    QFETCH(bool, inRange);
    QFETCH(int, type);
    QFETCH(QString, flags);
    QFETCH(bool, scanned);

    FakeNetworkPlatform fake;
    service.name = "Service " + service.id;
    service.enabled = false;
    fake.serviceList = {service};
    if (inRange)
        fake.interfacesWithNetworksInRange << "wlan0";

    const QList<NetworkConnection> connections = NetworkCtl::getNetworkConnections(skipScan);
    QCOMPARE(connections.size(), 1);
    const NetworkConnection& c = connections.first();
    QCOMPARE(c.interfaceName, service.interfaceName);
    QCOMPARE(c.serviceName, service.name);
    QCOMPARE(int(c.type), type);
    QCOMPARE(c.enabled, false);
    QCOMPARE(flag(c.powerOn) + flag(c.linkActive) + flag(c.networksAvailable) + flag(c.hasAddress), flags);
    QCOMPARE(fake.calls.contains("wifiNetworksInRange wlan0"), scanned);
}

void tst_NetworkCtl::unreadableConfiguration()
{
    FakeNetworkPlatform fake;
    fake.servicesReadable = false;
    fake.serviceList = {service(Kind::Other, "eth0")};
    fake.setPrimary("eth0");

    QVERIFY(NetworkCtl::getNetworkConnections(false).isEmpty());
    QCOMPARE(capturedLog, QStringList{"ERROR NetworkCtl: Failed to get connections"});
    QCOMPARE(NetworkCtl::typeOfNetworkConnectionReadable(), QString("Unknown connection type"));
    QVERIFY(!NetworkCtl::isConnectionSecured());
}

void tst_NetworkCtl::primaryInterfaceRetries_data()
{
    QTest::addColumn<int>("misses");
    QTest::addColumn<bool>("secured");
    QTest::addColumn<int>("lookups");

    QTest::newRow("found at once") << 0 << true << 1;
    QTest::newRow("found on third try") << 2 << true << 3;
    QTest::newRow("found on last try") << 5 << true << 6;
    QTest::newRow("never found") << 6 << false << 6;
}

void tst_NetworkCtl::primaryInterfaceRetries()
{
    QFETCH(int, misses);
    QFETCH(bool, secured);
    QFETCH(int, lookups);

    FakeNetworkPlatform fake;
    fake.serviceList = {service(Kind::Other, "eth0")};
    for (int i = 0; i < misses; ++i)
        fake.primaryAnswers << NetworkPlatform::PrimaryService{};
    fake.primaryAnswers << NetworkPlatform::PrimaryService{"eth0", "eth0", {}};

    QCOMPARE(NetworkCtl::isConnectionSecured(), secured);
    QCOMPARE(fake.calls.count("primaryService"), lookups);
    QCOMPARE(capturedLog.count("NetworkCtl: isConnectionSecured() - check for primary interface again"),
             lookups - 1);
    QCOMPARE(capturedLog.count("NetworkCtl: PrimaryInterface not found"), qMin(misses, 6));
}

void tst_NetworkCtl::repairs_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("primary");
    QTest::addColumn<QString>("answer");  // what the platform answers to the repair or question
    QTest::addColumn<QString>("result");
    QTest::addColumn<QStringList>("calls");  // beyond the primary lookups
    QTest::addColumn<QStringList>("log");

    const QStringList servicePrimary{"NetworkCtl: PrimaryService: en0"};
    const QStringList serviceMissing{"NetworkCtl: PrimaryService is not found"};

    QTest::newRow("dns to fallback") << "recoverDNS" << "en0" << "" << ""
                                     << QStringList{"setDnsServers en0 8.8.8.8 openvpn"}
                                     << QStringList{"NetworkCtl: recover DNS...", "GUID = en0", "ok"};
    QTest::newRow("dns write fails") << "recoverDNS" << "en0" << "cannot write" << ""
                                     << QStringList{"setDnsServers en0 8.8.8.8 openvpn"}
                                     << QStringList{"NetworkCtl: recover DNS...", "GUID = en0", "cannot write"};
    QTest::newRow("dns without primary") << "recoverDNS" << "" << "" << "" << QStringList{}
                                         << QStringList{"NetworkCtl: recover DNS...",
                                                        "primary service GUID was not found", "output = "};
    QTest::newRow("dhcp renewed") << "renewDHCP" << "" << "" << "" << QStringList{"renewDhcpLease en0"}
                                  << QStringList{"renew DHCP...", "ok"};
    QTest::newRow("dhcp renewal says something")
        << "renewDHCP" << "" << "no DHCP client" << "" << QStringList{"renewDhcpLease en0"}
        << QStringList{"renew DHCP...", "no DHCP client"};
    QTest::newRow("method dhcp") << "getTcpIpConfigMethod" << "en0" << "DHCP" << "DHCP"
                                 << QStringList{"ipv4ConfigMethod en0"}
                                 << servicePrimary + QStringList{"ConfigMethod: DHCP"};
    QTest::newRow("method unknown") << "getTcpIpConfigMethod" << "en0" << "" << ""
                                    << QStringList{"ipv4ConfigMethod en0"}
                                    << servicePrimary + QStringList{"ConfigMethod is not found"};
    QTest::newRow("method without primary") << "getTcpIpConfigMethod" << "" << "DHCP" << "" << QStringList{}
                                            << serviceMissing;
    QTest::newRow("router") << "getStaticRouter" << "en0" << "192.168.1.1" << "192.168.1.1"
                            << QStringList{"ipv4Router en0"}
                            << servicePrimary + QStringList{"static router: 192.168.1.1"};
    QTest::newRow("router not dotted ipv4") << "getStaticRouter" << "en0" << "fe80::1" << ""
                                            << QStringList{"ipv4Router en0"}
                                            << servicePrimary + QStringList{"Router is not found"};
    QTest::newRow("router with trailing junk") << "getStaticRouter" << "en0" << "10.0.0.1 -x" << ""
                                               << QStringList{"ipv4Router en0"}
                                               << servicePrimary + QStringList{"Router is not found"};
    QTest::newRow("router without primary") << "getStaticRouter" << "" << "10.0.0.1" << "" << QStringList{}
                                            << serviceMissing;
    QTest::newRow("interface") << "getDefaultNetworkInterface" << "en0" << "" << "en0" << QStringList{}
                               << QStringList{"NetworkCtl: PrimaryInterface: en0"};
    QTest::newRow("no interface") << "getDefaultNetworkInterface" << "" << "" << "" << QStringList{}
                                  << QStringList{"NetworkCtl: PrimaryInterface not found"};
}

void tst_NetworkCtl::repairs()
{
    QFETCH(QString, operation);
    QFETCH(QString, primary);
    QFETCH(QString, answer);
    QFETCH(QString, result);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, log);

    FakeNetworkPlatform fake;
    if (!primary.isEmpty())
        fake.setPrimary(primary);
    fake.dnsOutput = answer;
    fake.renewOutput = answer;
    fake.configMethod = answer;
    fake.router = answer;

    const QMap<QString, std::function<QString()>> operations{
        {"recoverDNS", [] { NetworkCtl::recoverDNS(); return QString(); }},
        {"renewDHCP", [] { NetworkCtl::renewDHCP("en0"); return QString(); }},
        {"getTcpIpConfigMethod", [] { return NetworkCtl::getTcpIpConfigMethod(); }},
        {"getStaticRouter", [] { return NetworkCtl::getStaticRouter(); }},
        {"getDefaultNetworkInterface", [] { return NetworkCtl::getDefaultNetworkInterface(); }},
    };
    QCOMPARE(operations.value(operation)(), result);
    fake.calls.removeAll("primaryService");
    QCOMPARE(fake.calls, calls);
    QCOMPARE(capturedLog, log);
}

void tst_NetworkCtl::internetMeansOperatorHost()
{
    FakeNetworkPlatform fake;
    QVERIFY(!NetworkCtl::isInternetConnectionExisted());
    fake.reachableHosts << OperatorWebHost;
    QVERIFY(NetworkCtl::isInternetConnectionExisted());
    const QString asked = QStringLiteral("hostReachable ") + OperatorWebHost;
    QCOMPARE(fake.calls, QStringList({asked, asked}));
}

QTEST_GUILESS_MAIN(tst_NetworkCtl)
#include "tst_NetworkCtl.moc"
