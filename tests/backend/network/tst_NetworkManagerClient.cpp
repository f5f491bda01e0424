// NetworkManagerClient against a scripted NetworkManager on a private bus.
#include "NetworkManagerClient.h"
#include "WirelessSecurity.h"

#include <BusServiceHost.h>
#include <PrivateBus.h>
#include <ScriptedNetworkManager.h>

#include <QDBusObjectPath>
#include <QtTest>

namespace {

const QString Nm = QStringLiteral("org.freedesktop.NetworkManager");
const QString Root = QStringLiteral("/org/freedesktop/NetworkManager");
const QString Wired = Root + QStringLiteral("/Devices/1");
const QString Wifi = Root + QStringLiteral("/Devices/2");
const QString Joined = Root + QStringLiteral("/AccessPoint/7");
const QString Nearby = Root + QStringLiteral("/AccessPoint/8");
const QString Active = Root + QStringLiteral("/ActiveConnection/3");
const QString Settings = Root + QStringLiteral("/Settings/5");

// Access point flags: WEP privacy; pairwise CCMP with a pre-shared key.
const uint Privacy = 0x1;
const uint CcmpPsk = 0x108;

const auto path = ScriptedNetworkManager::path;
const auto paths = ScriptedNetworkManager::paths;

} // namespace

class tst_NetworkManagerClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void joinedNetwork();
    void notJoined();
    void accessPointsInRange_data();
    void accessPointsInRange();
    void reactivateRenewsTheConnection();
    void switchingWirelessOn();
    void absentNetworkManager();
    void hungNetworkManagerIsNotWaitedFor();
    void securityKinds_data();
    void securityKinds();

private:
    QDBusConnection clientBus() { return m_bus.connect(QStringLiteral("client")); }

    PrivateBus m_bus;
    ScriptedNetworkManager* m_nm = nullptr;
    std::unique_ptr<BusServiceHost> m_service;
};

void tst_NetworkManagerClient::initTestCase()
{
    QVERIFY(m_bus.isRunning());
    QVERIFY(clientBus().isConnected());
    m_nm = new ScriptedNetworkManager;
    m_service = std::make_unique<BusServiceHost>(m_bus.address(), Nm, QStringLiteral("/org/freedesktop"),
                                                 std::unique_ptr<QDBusVirtualObject>(m_nm), QDBusConnection::SubPath);
    QVERIFY(m_service->isRunning());
}

void tst_NetworkManagerClient::init()
{
    // Touched only while the client is idle, so the service thread sees a quiet table.
    m_nm->silent = false;
    m_nm->properties = {
        {Wired + " " + Nm + ".Device DeviceType", 1u},
        {Wifi + " " + Nm + ".Device DeviceType", 2u},
        {Wifi + " " + Nm + ".Device.Wireless ActiveAccessPoint", path(Joined)},
        {Wifi + " " + Nm + ".Device ActiveConnection", path(Active)},
        {Active + " " + Nm + ".Connection.Active Connection", path(Settings)},
        {Joined + " " + Nm + ".AccessPoint Ssid", QByteArray("Caf\xc3\xa9 \n2")},
        {Joined + " " + Nm + ".AccessPoint Flags", Privacy},
        {Joined + " " + Nm + ".AccessPoint WpaFlags", 0u},
        {Joined + " " + Nm + ".AccessPoint RsnFlags", CcmpPsk},
    };
    m_nm->replies = {
        {Root + " " + Nm + " GetDevices", {paths({Wired, Wifi})}},
        {Root + " " + Nm + " GetDeviceByIpIface", {path(Wifi)}},
        {Wifi + " " + Nm + ".Device.Wireless GetAllAccessPoints", {paths({Joined, Nearby})}},
        {Root + " " + Nm + " ActivateConnection", {path(Active)}},
    };
}

void tst_NetworkManagerClient::cleanupTestCase()
{
    m_service.reset();
}

void tst_NetworkManagerClient::joinedNetwork()
{
    const NetworkPlatform::WifiNetwork wifi = NetworkManagerClient(clientBus()).activeWifiNetwork();
    QCOMPARE(wifi.ssid, QString::fromUtf8("Caf\xc3\xa9 \n2"));
    QCOMPARE(wifi.securityKind, int(WlanSecurityKind::Wpa2Personal));
}

void tst_NetworkManagerClient::notJoined()
{
    m_nm->properties[Wifi + " " + Nm + ".Device.Wireless ActiveAccessPoint"] = path("/");
    const NetworkPlatform::WifiNetwork wifi = NetworkManagerClient(clientBus()).activeWifiNetwork();
    QCOMPARE(wifi.ssid, QString());
    QCOMPARE(wifi.securityKind, NetworkPlatform::NoSecurityKind);
}

void tst_NetworkManagerClient::accessPointsInRange_data()
{
    QTest::addColumn<QStringList>("accessPoints");
    QTest::addColumn<bool>("inRange");

    QTest::newRow("two around") << QStringList{Joined, Nearby} << true;
    QTest::newRow("none around") << QStringList{} << false;
}

void tst_NetworkManagerClient::accessPointsInRange()
{
    QFETCH(QStringList, accessPoints);
    QFETCH(bool, inRange);

    m_nm->replies[Wifi + " " + Nm + ".Device.Wireless GetAllAccessPoints"] = {paths(accessPoints)};
    QCOMPARE(NetworkManagerClient(clientBus()).hasAccessPoints("wlan0"), inRange);
}

void tst_NetworkManagerClient::reactivateRenewsTheConnection()
{
    QString error;
    QVERIFY(NetworkManagerClient(clientBus()).reactivate("wlan0", error));
    QCOMPARE(error, QString());
    QCOMPARE(m_nm->received().last(), "ActivateConnection " + Root + " " + Nm + " ActivateConnection");

    m_nm->properties[Wifi + " " + Nm + ".Device ActiveConnection"] = path("/");
    QVERIFY(!NetworkManagerClient(clientBus()).reactivate("wlan0", error));
}

void tst_NetworkManagerClient::switchingWirelessOn()
{
    QCOMPARE(NetworkManagerClient(clientBus()).enableWireless(), QString());
    QCOMPARE(m_nm->received().last(), "Set " + Root + " " + Nm + " WirelessEnabled true");
}

void tst_NetworkManagerClient::absentNetworkManager()
{
    QDBusConnection service = m_service->connection();
    QVERIFY(service.unregisterService(Nm));
    NetworkManagerClient client(clientBus());
    const NetworkPlatform::WifiNetwork wifi = client.activeWifiNetwork();
    const bool inRange = client.hasAccessPoints("wlan0");
    const QString switching = client.enableWireless();
    QString error;
    const bool reactivated = client.reactivate("wlan0", error);
    QVERIFY(service.registerService(Nm));

    QCOMPARE(wifi.ssid, QString());
    QCOMPARE(wifi.securityKind, NetworkPlatform::NoSecurityKind);
    QVERIFY(!inRange);
    QCOMPARE(switching, QString());
    QVERIFY(!reactivated);

    // No system bus at all reads the same.
    NetworkManagerClient unconnected(QDBusConnection(QStringLiteral("no such bus")));
    QCOMPARE(unconnected.activeWifiNetwork().securityKind, NetworkPlatform::NoSecurityKind);
    QCOMPARE(unconnected.enableWireless(), QString());
}

void tst_NetworkManagerClient::hungNetworkManagerIsNotWaitedFor()
{
    m_nm->silent = true;
    QElapsedTimer timer;
    timer.start();
    const NetworkPlatform::WifiNetwork wifi = NetworkManagerClient(clientBus()).activeWifiNetwork();
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(wifi.ssid, QString());
}

void tst_NetworkManagerClient::securityKinds_data()
{
    QTest::addColumn<uint>("flags");
    QTest::addColumn<uint>("wpa");
    QTest::addColumn<uint>("rsn");
    QTest::addColumn<int>("kind");

    const uint psk = 0x100, eap = 0x200, sae = 0x400, owe = 0x800, suiteB = 0x2000, tkip = 0x4, ccmp = 0x8;
    QTest::newRow("open") << 0u << 0u << 0u << int(WlanSecurityKind::None);
    QTest::newRow("wep") << Privacy << 0u << 0u << int(WlanSecurityKind::Wep);
    QTest::newRow("wpa personal") << Privacy << (tkip | psk) << 0u << int(WlanSecurityKind::WpaPersonal);
    QTest::newRow("wpa2 personal") << Privacy << 0u << (ccmp | psk) << int(WlanSecurityKind::Wpa2Personal);
    QTest::newRow("wpa/wpa2 personal") << Privacy << (tkip | psk) << (ccmp | psk)
                                       << int(WlanSecurityKind::WpaPersonalMixed);
    QTest::newRow("wpa3 personal") << Privacy << 0u << (ccmp | sae) << int(WlanSecurityKind::Wpa2Personal);
    QTest::newRow("wpa enterprise") << Privacy << (tkip | eap) << 0u << int(WlanSecurityKind::WpaEnterprise);
    QTest::newRow("wpa2 enterprise") << Privacy << 0u << (ccmp | eap) << int(WlanSecurityKind::Wpa2Enterprise);
    QTest::newRow("wpa/wpa2 enterprise") << Privacy << (tkip | eap) << (ccmp | eap)
                                         << int(WlanSecurityKind::WpaEnterpriseMixed);
    QTest::newRow("suite b") << Privacy << 0u << suiteB << int(WlanSecurityKind::Wpa2Enterprise);
    QTest::newRow("enhanced open") << Privacy << 0u << (ccmp | owe) << NetworkPlatform::NoSecurityKind;
}

void tst_NetworkManagerClient::securityKinds()
{
    QFETCH(uint, flags);
    QFETCH(uint, wpa);
    QFETCH(uint, rsn);
    QFETCH(int, kind);

    QCOMPARE(NetworkManagerClient::securityKindFromFlags(flags, wpa, rsn), kind);
}

QTEST_GUILESS_MAIN(tst_NetworkManagerClient)
#include "tst_NetworkManagerClient.moc"
