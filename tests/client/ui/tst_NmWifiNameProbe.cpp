// The Wi-Fi name as NetworkManager gives it, from a scripted NetworkManager on a private bus.
#include "linux/NmWifiNameProbe.h"

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
const QString First = Root + QStringLiteral("/ActiveConnection/3");
const QString Second = Root + QStringLiteral("/ActiveConnection/4");

const auto path = ScriptedNetworkManager::path;
const auto paths = ScriptedNetworkManager::paths;

} // namespace

class tst_NmWifiNameProbe : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void devicesOfActiveConnections();
    void networkName_data();
    void networkName();
    void notJoined();
    void silentNetworkManagerIsNotWaitedFor();

private:
    NmWifiNameProbe probe() { return NmWifiNameProbe(m_bus.connect(QStringLiteral("client"))); }

    PrivateBus m_bus;
    ScriptedNetworkManager* m_nm = nullptr;
    std::unique_ptr<BusServiceHost> m_service;
};

void tst_NmWifiNameProbe::initTestCase()
{
    QVERIFY(m_bus.isRunning());
    m_nm = new ScriptedNetworkManager;
    m_service = std::make_unique<BusServiceHost>(m_bus.address(), Nm, QStringLiteral("/org/freedesktop"),
                                                 std::unique_ptr<QDBusVirtualObject>(m_nm), QDBusConnection::SubPath);
    QVERIFY(m_service->isRunning());
}

// Touched only while the probe is idle, so the service thread sees a quiet table.
void tst_NmWifiNameProbe::init()
{
    m_nm->silent = false;
    m_nm->properties = {
        {Root + " " + Nm + " ActiveConnections", paths({First, Second})},
        {First + " " + Nm + ".Connection.Active Devices", paths({Wired})},
        {Second + " " + Nm + ".Connection.Active Devices", paths({Wifi, Wired})},
        {Wifi + " " + Nm + ".Device.Wireless ActiveAccessPoint", path(Joined)},
        {Joined + " " + Nm + ".AccessPoint Ssid", QByteArray("Caf\xc3\xa9 <b>2</b>")},
    };
}

void tst_NmWifiNameProbe::devicesOfActiveConnections()
{
    QCOMPARE(probe().activeDevices(), QStringList({Wired, Wifi}));
}

void tst_NmWifiNameProbe::networkName_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QVariant>("ssid");
    QTest::addColumn<QString>("expected");
    const QByteArray name("Caf\xc3\xa9 <b>2</b>");
    QTest::newRow("joined") << Wifi << QVariant(name) << QString::fromUtf8(name);
    QTest::newRow("wired device: no wireless answer") << Wired << QVariant(name) << QString();
    QTest::newRow("hidden network") << Wifi << QVariant(QByteArray()) << QString();
    QTest::newRow("unreadable answer") << Wifi << QVariant(QStringLiteral("Airport: Free")) << QString();
}

void tst_NmWifiNameProbe::networkName()
{
    QFETCH(QString, device);
    QFETCH(QVariant, ssid);
    QFETCH(QString, expected);
    m_nm->properties.insert(Joined + " " + Nm + ".AccessPoint Ssid", ssid);
    const QString name = probe().networkName(device, 3000);
    QCOMPARE(name, expected);
    QCOMPARE(name.isNull(), expected.isNull());
}

void tst_NmWifiNameProbe::notJoined()
{
    m_nm->properties.insert(Wifi + " " + Nm + ".Device.Wireless ActiveAccessPoint", path("/"));
    QCOMPARE(probe().networkName(Wifi, 3000), QString());
}

// Bounded by the time given, far below the bus's own default of 25 s.
void tst_NmWifiNameProbe::silentNetworkManagerIsNotWaitedFor()
{
    m_nm->silent = true;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(probe().networkName(Wifi, 300), QString());
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(tst_NmWifiNameProbe)
#include "tst_NmWifiNameProbe.moc"
