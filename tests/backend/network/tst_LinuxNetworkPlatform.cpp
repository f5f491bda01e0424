// Runs inside namespaces of its own (see PrivateNamespaces): a veth pair
// v0 (10.201.0.2, address with a lease time) and v1 (10.201.0.1, permanent
// address), the default route via v1's address on v0, and a tun device.
// /etc/resolv.conf is a private copy holding Marker, and /etc/hosts a private
// copy mapping the operator's host to HostAddress.
#include "HostResolver.h"
#include "LinuxNetworkPlatform.h"
#include "NetworkCtl.h"
#include "OperatorWebHost.h"
#include "PrivateNamespaces.h"

#include <QtTest>

#include <fcntl.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const QByteArray Marker = "ozm network test namespace";
const QByteArray HostAddress = "10.201.9.9";

using PrivateNamespaces::ip;

QByteArray resolvConf()
{
    QFile file(QStringLiteral("/etc/resolv.conf"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
        && file.write(bytes) == bytes.size();
}

QStringList serviceNames(const QList<NetworkConnection>& connections)
{
    QStringList names;
    for (const NetworkConnection& c : connections)
        names << c.interfaceName;
    names.sort();
    return names;
}

NetworkConnection connectionOf(const QList<NetworkConnection>& connections, const QString& name)
{
    for (const NetworkConnection& c : connections) {
        if (c.interfaceName == name)
            return c;
    }
    return {};
}

// A program attached to the tun device, as openvpn is: while it holds on, the
// device has carrier and its routes carry traffic.
class TunAttachment
{
public:
    explicit TunAttachment(const char* name)
        : fd(::open("/dev/net/tun", O_RDWR | O_CLOEXEC))
    {
        ifreq request{};
        qstrncpy(request.ifr_name, name, sizeof request.ifr_name);
        request.ifr_flags = IFF_TUN | IFF_NO_PI;
        if (fd >= 0 && ::ioctl(fd, TUNSETIFF, &request) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ~TunAttachment()
    {
        if (fd >= 0)
            ::close(fd);
    }
    TunAttachment(const TunAttachment&) = delete;
    TunAttachment& operator=(const TunAttachment&) = delete;
    bool attached() const { return fd >= 0; }

private:
    int fd;
};

} // namespace

class tst_LinuxNetworkPlatform : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void wiredWithDefaultRoute();
    void servicesOfTheKernel();
    void configMethodFromAddressLifetime_data();
    void configMethodFromAddressLifetime();
    void noDefaultRoute();
    void internetOnlyOverTheNetworkItself_data();
    void internetOnlyOverTheNetworkItself();
    void primaryOutlivesItsRoute();
    void cableUnplugged();
    void oneReadingIsOneMoment();
    void recoverDnsWritesResolvConf();
    void recoverDnsWithoutPrimaryKeepsResolvConf();
    void wifiPowerFromRfkill();
    void renewWithoutDhcpClient_data();
    void renewWithoutDhcpClient();

private:
    // Each test starts from a platform that has seen nothing yet.
    std::unique_ptr<LinuxNetworkPlatform> platform;
};

void tst_LinuxNetworkPlatform::initTestCase()
{
    // Everything below writes /etc/resolv.conf; it must be the namespace's copy.
    QVERIFY2(resolvConf().contains(Marker), "not inside the test's own namespaces");
    QVERIFY(ip("link set lo up"));
    QVERIFY(ip("link add v0 type veth peer name v1"));
    QVERIFY(ip("addr add 10.201.0.2/24 dev v0 valid_lft 3600 preferred_lft 3600"));
    QVERIFY(ip("addr add 10.201.0.1/24 dev v1"));
    QVERIFY(ip("tuntap add dev tun7 mode tun"));
    QVERIFY(ip("addr add 10.201.8.1/24 dev tun7"));
    QVERIFY(ip("link set tun7 up"));
    // The operator's host is looked up in the background; the answers below are
    // those given once it is known.
    QTRY_VERIFY(HostResolver::forHost(QString::fromLatin1(OperatorWebHost))->isAnswered());
}

// What the tests wrote went to the private copies; the machine's files are untouched.
void tst_LinuxNetworkPlatform::cleanupTestCase()
{
    QVERIFY(PrivateNamespaces::machineFileUnchanged("/etc/resolv.conf"));
    QVERIFY(PrivateNamespaces::machineFileUnchanged("/etc/hosts"));
}

void tst_LinuxNetworkPlatform::init()
{
    QVERIFY(ip("link set v0 up"));
    QVERIFY(ip("link set v1 up"));
    QVERIFY(ip("route replace default via 10.201.0.1 dev v0"));
    QVERIFY(ip("route flush dev tun7 proto boot"));
    platform = std::make_unique<LinuxNetworkPlatform>();
    NetworkCtl::setPlatform(platform.get());
}

void tst_LinuxNetworkPlatform::cleanup()
{
    NetworkCtl::setPlatform(nullptr);
    platform.reset();
}

void tst_LinuxNetworkPlatform::wiredWithDefaultRoute()
{
    QCOMPARE(NetworkCtl::getDefaultNetworkInterface(), QString("v0"));
    QCOMPARE(NetworkCtl::typeOfNetworkConnectionReadable(), QString("Wired connection"));
    QVERIFY(NetworkCtl::isConnectionSecured());
    QVERIFY(NetworkCtl::isConnectionEnabled());
    QVERIFY(NetworkCtl::isInternetConnectionExisted());
    QCOMPARE(NetworkCtl::getStaticRouter(), QString("10.201.0.1"));

    // No NetworkManager here: no Wi-Fi network, and no adapter switched off.
    QString ssid = "stale";
    WirelessSecurity security = SecurityWPA2;
    NetworkCtl::getWifiStatus(ssid, security);
    QCOMPARE(ssid, QString());
    QCOMPARE(security, SecurityUnknown);
    bool powerOn = false;
    QVERIFY(NetworkCtl::checkWiFiAdapter(powerOn));
    QVERIFY(powerOn);
}

void tst_LinuxNetworkPlatform::servicesOfTheKernel()
{
    const QList<NetworkConnection> connections = NetworkCtl::getNetworkConnections(false);
    // The loopback and the tunnel are no ways onto a network.
    QCOMPARE(serviceNames(connections), QStringList({"v0", "v1"}));
    const NetworkConnection v0 = connectionOf(connections, "v0");
    QCOMPARE(v0.serviceName, QString("v0"));
    QCOMPARE(v0.type, NetworkConnection::Wired);
    QVERIFY(v0.enabled && v0.powerOn && v0.linkActive && v0.networksAvailable && v0.hasAddress);
}

void tst_LinuxNetworkPlatform::configMethodFromAddressLifetime_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("method");

    QTest::newRow("leased address") << "route replace default via 10.201.0.1 dev v0" << "DHCP";
    QTest::newRow("permanent address") << "route replace default via 10.201.0.2 dev v1" << "Manual";
}

void tst_LinuxNetworkPlatform::configMethodFromAddressLifetime()
{
    QFETCH(QString, route);
    QFETCH(QString, method);

    QVERIFY(ip("route del default"));
    QVERIFY(ip(route));
    QCOMPARE(NetworkCtl::getTcpIpConfigMethod(), method);
}

void tst_LinuxNetworkPlatform::noDefaultRoute()
{
    QVERIFY(ip("route del default"));
    QCOMPARE(NetworkCtl::getDefaultNetworkInterface(), QString());
    QCOMPARE(NetworkCtl::typeOfNetworkConnectionReadable(), QString("No connection"));
    QVERIFY(!NetworkCtl::isConnectionSecured());
    QVERIFY(NetworkCtl::isConnectionEnabled());
    QVERIFY(!NetworkCtl::isInternetConnectionExisted());
    QCOMPARE(NetworkCtl::getStaticRouter(), QString());
}

void tst_LinuxNetworkPlatform::internetOnlyOverTheNetworkItself_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<bool>("tunnelCarrier");
    QTest::addColumn<bool>("reachable");

    QTest::newRow("wired default route") << "" << false << true;
    // The tun of an openvpn that restarts with --persist-tun keeps its routes
    // while nothing reaches the Internet through it.
    QTest::newRow("default route through the live tunnel") << "route replace default dev tun7" << true << false;
    QTest::newRow("default route through a tunnel without carrier") << "route replace default dev tun7" << false
                                                                    << false;
    QTest::newRow("host route through the live tunnel")
        << "route replace " + QString::fromLatin1(HostAddress) + " dev tun7" << true << false;
}

void tst_LinuxNetworkPlatform::internetOnlyOverTheNetworkItself()
{
    QFETCH(QString, route);
    QFETCH(bool, tunnelCarrier);
    QFETCH(bool, reachable);

    std::unique_ptr<TunAttachment> tunnel;
    if (tunnelCarrier) {
        tunnel = std::make_unique<TunAttachment>("tun7");
        QVERIFY(tunnel->attached());
    }
    if (!route.isEmpty())
        QVERIFY(ip(route));
    QCOMPARE(NetworkCtl::isInternetConnectionExisted(), reachable);
}

// A tunnel takes the default route over, and a crash can take it away altogether,
// while the wired service is still the way onto the network: it stays primary, and
// the repair still finds its method and router.
void tst_LinuxNetworkPlatform::primaryOutlivesItsRoute()
{
    QCOMPARE(NetworkCtl::getDefaultNetworkInterface(), QString("v0"));
    QVERIFY(ip("route replace default dev tun7"));
    QCOMPARE(NetworkCtl::typeOfNetworkConnectionReadable(), QString("Wired connection"));
    QVERIFY(ip("route del default"));
    QCOMPARE(NetworkCtl::getDefaultNetworkInterface(), QString("v0"));
    QCOMPARE(NetworkCtl::getTcpIpConfigMethod(), QString("DHCP"));
    QCOMPARE(NetworkCtl::getStaticRouter(), QString("10.201.0.1"));

    QVERIFY(ip("link set v1 down"));
    // The kernel takes v0's carrier away a moment after its peer goes down.
    QTRY_COMPARE(NetworkCtl::getDefaultNetworkInterface(), QString());
}

void tst_LinuxNetworkPlatform::cableUnplugged()
{
    // The far end going down takes v0's carrier, a moment later; its route stays in the table.
    QVERIFY(ip("link set v1 down"));
    QTRY_COMPARE(NetworkCtl::typeOfNetworkConnectionReadable(), QString("No connection"));
    QVERIFY(!NetworkCtl::isConnectionEnabled());
    QVERIFY(!NetworkCtl::isInternetConnectionExisted());

    const QList<NetworkConnection> connections = NetworkCtl::getNetworkConnections(false);
    const NetworkConnection v0 = connectionOf(connections, "v0");
    QVERIFY(v0.enabled && !v0.linkActive && !v0.hasAddress);
    QVERIFY(!connectionOf(connections, "v1").enabled);
}

// The questions of one decision are answered as of one moment, even when the network
// changes among them; the next question sees the change.
void tst_LinuxNetworkPlatform::oneReadingIsOneMoment()
{
    {
        const NetworkCtl::OneReading reading;
        QVERIFY(NetworkCtl::isConnectionEnabled());
        QVERIFY(ip("link set v0 down"));
        QCOMPARE(NetworkCtl::getDefaultNetworkInterface(), QString("v0"));
        QVERIFY(NetworkCtl::isConnectionSecured());
        QVERIFY(connectionOf(NetworkCtl::getNetworkConnections(true), "v0").enabled);
    }
    QCOMPARE(NetworkCtl::getDefaultNetworkInterface(), QString());
    QVERIFY(!connectionOf(NetworkCtl::getNetworkConnections(true), "v0").enabled);
}

void tst_LinuxNetworkPlatform::recoverDnsWritesResolvConf()
{
    NetworkCtl::recoverDNS();
    QCOMPARE(resolvConf(), QByteArray("domain openvpn\nsearch openvpn\nnameserver 8.8.8.8\n"));
}

void tst_LinuxNetworkPlatform::recoverDnsWithoutPrimaryKeepsResolvConf()
{
    const QByteArray before = resolvConf();
    QVERIFY(ip("route del default"));
    NetworkCtl::recoverDNS();
    QCOMPARE(resolvConf(), before);
}

void tst_LinuxNetworkPlatform::wifiPowerFromRfkill()
{
    // A machine whose v1 is a Wi-Fi interface with its radio blocked.
    QTemporaryDir sys;
    const QString rfkill = sys.filePath("class/rfkill/rfkill0");
    QVERIFY(writeFile(rfkill + "/type", "wlan\n"));
    QVERIFY(writeFile(rfkill + "/soft", "1\n"));
    QVERIFY(writeFile(rfkill + "/hard", "0\n"));
    QVERIFY(QDir().mkpath(sys.filePath("class/net/v1/phy80211")));
    QVERIFY(QFile::link(rfkill, sys.filePath("class/net/v1/phy80211/rfkill0")));

    LinuxNetworkPlatform platform(sys.filePath("resolv.conf"), sys.path());
    NetworkCtl::setPlatform(&platform);
    bool powerOn = true;
    NetworkCtl::checkWiFiAdapter(powerOn);
    QVERIFY(!powerOn);
    NetworkConnection v1 = connectionOf(NetworkCtl::getNetworkConnections(false), "v1");
    QCOMPARE(v1.type, NetworkConnection::Wireless);
    QVERIFY(!v1.powerOn && !v1.hasAddress);

    QCOMPARE(NetworkCtl::turnon_wifi(), QString());
    NetworkCtl::checkWiFiAdapter(powerOn);
    const QList<NetworkConnection> connections = NetworkCtl::getNetworkConnections(false);
    NetworkCtl::setPlatform(nullptr);

    QVERIFY(powerOn);
    v1 = connectionOf(connections, "v1");
    QVERIFY(v1.powerOn && v1.hasAddress);
    QCOMPARE(connectionOf(connections, "v0").type, NetworkConnection::Wired);
}

void tst_LinuxNetworkPlatform::renewWithoutDhcpClient_data()
{
    QTest::addColumn<QString>("interfaceName");
    QTest::addColumn<QString>("output");

    QTest::newRow("no client") << "v0" << "no DHCP client to renew the lease of v0";
    QTest::newRow("option-like name") << "-r" << "not an interface name: -r";
}

void tst_LinuxNetworkPlatform::renewWithoutDhcpClient()
{
    QFETCH(QString, interfaceName);
    QFETCH(QString, output);

    if (QFileInfo(QStringLiteral("/usr/sbin/dhclient")).isExecutable() && !interfaceName.startsWith('-'))
        QSKIP("a DHCP client is installed here");
    LinuxNetworkPlatform platform;
    QCOMPARE(platform.renewDhcpLease(interfaceName), output);
}

OZM_NAMESPACE_TEST_MAIN(tst_LinuxNetworkPlatform,
                        PrivateNamespaces::Options()
                            .withFile("/etc/resolv.conf", "# " + Marker + "\nnameserver 127.0.0.1\n")
                            .withFile("/etc/hosts", "127.0.0.1 localhost\n" + HostAddress + ' ' + OperatorWebHost + '\n'))

#include "tst_LinuxNetworkPlatform.moc"
