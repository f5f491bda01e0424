// NetworkManagerClient against a scripted NetworkManager on a private bus.
#include "NetworkManagerClient.h"
#include "WirelessSecurity.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMutex>
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

QVariant path(const QString& p)
{
    return QVariant::fromValue(QDBusObjectPath(p));
}

QVariant paths(const QStringList& list)
{
    QList<QDBusObjectPath> result;
    for (const QString& p : list)
        result << QDBusObjectPath(p);
    return QVariant::fromValue(result);
}

// Answers as NetworkManager would, from a table the test edits. Lives on its
// own thread, because the client under test blocks the main thread.
class ScriptedNetworkManager : public QDBusVirtualObject
{
public:
    // "object interface property" -> value
    QMap<QString, QVariant> properties;
    // "object interface method" -> reply arguments
    QMap<QString, QList<QVariant>> replies;
    bool silent = false;

    QStringList received() const
    {
        QMutexLocker lock(&m_mutex);
        return m_received;
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QString key = message.path() + ' ' + message.interface() + ' ' + message.member();
        if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties"))
            key = message.path() + ' ' + message.arguments().value(0).toString() + ' '
                + message.arguments().value(1).toString();
        {
            QMutexLocker lock(&m_mutex);
            m_received << message.member() + ' ' + key;
        }
        if (silent)
            return true;
        if (message.member() == QLatin1String("Get") && properties.contains(key))
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(properties.value(key)))));
        else if (message.member() == QLatin1String("Set") || replies.contains(key))
            connection.send(message.createReply(replies.value(key)));
        else
            connection.send(message.createErrorReply(Nm + QStringLiteral(".UnknownDevice"), key));
        return true;
    }

private:
    mutable QMutex m_mutex;
    QStringList m_received;
};

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
    QDBusConnection clientBus() { return QDBusConnection(QStringLiteral("client")); }

    QProcess m_daemon;
    QTemporaryDir m_dir;
    QThread m_serviceThread;
    ScriptedNetworkManager* m_nm = nullptr;
};

void tst_NetworkManagerClient::initTestCase()
{
    m_daemon.start("/usr/bin/dbus-daemon",
                   {"--session", "--nofork", "--print-address=1", "--address=unix:path=" + m_dir.filePath("bus")});
    QVERIFY2(m_daemon.waitForReadyRead(10000), "dbus-daemon (package dbus-daemon) did not start");
    const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();

    QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("service"));
    QVERIFY(QDBusConnection::connectToBus(address, QStringLiteral("client")).isConnected());
    m_nm = new ScriptedNetworkManager;
    QVERIFY(service.registerVirtualObject(QStringLiteral("/org/freedesktop"), m_nm,
                                          QDBusConnection::SubPath));
    m_serviceThread.start();
    m_nm->moveToThread(&m_serviceThread);
    QVERIFY(service.registerService(Nm));
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
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
    m_serviceThread.quit();
    m_serviceThread.wait();
    delete m_nm;
    m_daemon.terminate();
    m_daemon.waitForFinished();
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
    QCOMPARE(m_nm->received().last(), "Set " + Root + " " + Nm + " WirelessEnabled");
}

void tst_NetworkManagerClient::absentNetworkManager()
{
    QDBusConnection service(QStringLiteral("service"));
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
