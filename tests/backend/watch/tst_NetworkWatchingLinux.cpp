#include "NetworkNotifier.h"
#include "OperatorWebHost.h"
#include "ReachabilityWatching.h"
#include "PrivateNamespaces.h"
#include "WiFiWatching.h"

#include <PrivateBus.h>

#include <QNetworkInterface>
#include <QtDBus>
#include <QtTest>

using PrivateNamespaces::ip;
using PrivateNamespaces::ipBatch;

namespace {
const QString NetworkManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString WirelessDevice = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
const QString WebHostAddress = QStringLiteral("192.0.2.1");
}

// The watchers on the kernel's own messages, in a namespace with one wired
// link (d0, router 10.1.0.1) and a tunnel (tun0). A private message bus stands
// in for the system bus, with the test speaking for NetworkManager.
class tst_NetworkWatchingLinux : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void internetWait_data();
    void internetWait();
    void internetAlreadyThereIsReportedAtOnce();
    void accessPointChange_data();
    void accessPointChange();
    void burstOfAddressChangesGivesOneReport();
    void lostAddressIsReported();

private:
    void settle();

    NetworkNotifier* notifier = nullptr;
    std::unique_ptr<PrivateBus> bus;
};

void tst_NetworkWatchingLinux::initTestCase()
{
    QVERIFY(ipBatch({"link add d0 type veth peer name p0", "link set p0 up", "link set d0 up",
                     "addr add 10.1.0.2/24 dev d0", "tuntap add dev tun0 mode tun", "link set tun0 up"}));
    QVERIFY(PrivateNamespaces::privateFile(
        "/etc/hosts", "127.0.0.1 localhost\n" + WebHostAddress.toLatin1() + ' ' + OperatorWebHost + '\n'));

    bus = std::make_unique<PrivateBus>();
    QVERIFY(bus->isRunning());
    bus->becomeSystemBus();
    QDBusConnection networkManager = bus->connect(QStringLiteral("nm"));
    QVERIFY(networkManager.registerService(NetworkManager));

    notifier = NetworkNotifier::instance();
    notifier->startLocalConnectionWatching();
    settle();
}

void tst_NetworkWatchingLinux::cleanupTestCase()
{
    notifier->stopLocalConnectionWatching();
    notifier->stopWaitingForInternetConnection();
    bus.reset();
}

// Lets the reports of earlier changes run out.
void tst_NetworkWatchingLinux::settle()
{
    QSignalSpy changed(notifier, &NetworkNotifier::localConnectionIsChanged);
    while (changed.wait(NetworkNotifier::QuietPeriodMs + 200))
        ;
}

void tst_NetworkWatchingLinux::internetWait_data()
{
    QTest::addColumn<bool>("carrierLost");
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<bool>("established");
    QTest::addColumn<bool>("unreachable");

    const QString noDefault = QStringLiteral("route flush exact 0.0.0.0/0");
    QTest::newRow("no route to the web host")
        << false << QStringList{noDefault, "route add 10.9.0.0/16 via 10.1.0.1", "route del 10.9.0.0/16"} << false
        << true;
    QTest::newRow("route over the wired link")
        << false << QStringList{noDefault, "route add default via 10.1.0.1"} << true << false;
    QTest::newRow("route only through the tunnel")
        << false << QStringList{noDefault, "route add default dev tun0"} << false << false;
    // The kernel keeps a route whose link has lost its carrier; nothing goes out there.
    QTest::newRow("route over a link without carrier")
        << true << QStringList{noDefault, "route add default via 10.1.0.1"} << false << true;
}

void tst_NetworkWatchingLinux::internetWait()
{
    QFETCH(bool, carrierLost);
    QFETCH(QStringList, changes);
    QFETCH(bool, established);
    QFETCH(bool, unreachable);

    // The link's running flag drops a moment after ip returns, in the kernel's
    // own time; a wait started before that may rightly see a path that works.
    if (carrierLost) {
        QVERIFY(ipBatch({"link set p0 down"}));
        QTRY_VERIFY(!(QNetworkInterface::interfaceFromName("d0").flags() & QNetworkInterface::IsRunning));
    }

    QSignalSpy establishedSpy(notifier, &NetworkNotifier::internetIsEstablished);
    QSignalSpy unreachableSpy(ReachabilityWatching::instanceForInternet(), &ReachabilityWatching::isUnreachable);
    notifier->startWaitingForInternetConnection();

    QVERIFY(ipBatch(changes));
    if (established)
        QVERIFY(establishedSpy.wait(3000));
    else if (unreachable)
        QVERIFY(unreachableSpy.wait(3000));
    else
        QTest::qWait(1000);

    QCOMPARE(establishedSpy.count(), int(established));
    QCOMPARE(unreachableSpy.count(), int(unreachable));
    notifier->stopWaitingForInternetConnection();
}

void tst_NetworkWatchingLinux::internetAlreadyThereIsReportedAtOnce()
{
    QVERIFY(ipBatch({"link set p0 up", "route replace default via 10.1.0.1"}));
    settle();
    QSignalSpy establishedSpy(notifier, &NetworkNotifier::internetIsEstablished);
    notifier->startWaitingForInternetConnection();
    QVERIFY(establishedSpy.wait(3000));
    notifier->stopWaitingForInternetConnection();
}

void tst_NetworkWatchingLinux::accessPointChange_data()
{
    QTest::addColumn<bool>("fromNetworkManager");
    QTest::addColumn<QString>("interfaceName");
    QTest::addColumn<QString>("property");
    QTest::addColumn<bool>("reported");

    QTest::newRow("access point changed") << true << WirelessDevice << "ActiveAccessPoint" << true;
    QTest::newRow("other property") << true << WirelessDevice << "Bitrate" << false;
    QTest::newRow("other interface") << true << "org.freedesktop.NetworkManager.Device"
                                     << "ActiveAccessPoint" << false;
    QTest::newRow("not from NetworkManager") << false << WirelessDevice << "ActiveAccessPoint" << false;
}

void tst_NetworkWatchingLinux::accessPointChange()
{
    QFETCH(bool, fromNetworkManager);
    QFETCH(QString, interfaceName);
    QFETCH(QString, property);
    QFETCH(bool, reported);

    const QDBusConnection sender = bus->connect(fromNetworkManager ? "nm" : "impostor");
    QSignalSpy ssidChanged(WiFiWatching::instance(), &WiFiWatching::WiFiSSIDchanged);

    QDBusMessage change = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/NetworkManager/Devices/3"),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    change << interfaceName
           << QVariantMap{{property, QVariant::fromValue(QDBusObjectPath("/org/freedesktop/NetworkManager/AccessPoint/7"))}}
           << QStringList();
    QVERIFY(PrivateBus::sendAndSettle(sender, change, QDBusConnection::systemBus()));
    QCOMPARE(ssidChanged.count(), int(reported));
}

// Ten address changes, each within the quiet period of the one before: each is
// heard on its own, and one report follows the last. One shell makes them all, so
// that a busy machine spreads them no more than it must.
// One ip run carries the whole burst, and this thread reads none of the
// kernel's messages until that run has ended, so the burst reaches the
// watchers whole however slowly the machine goes. The folding of several
// triggers is shown with a scripted platform in tst_NetworkNotifier.
void tst_NetworkWatchingLinux::burstOfAddressChangesGivesOneReport()
{
    settle();
    QSignalSpy changed(notifier, &NetworkNotifier::localConnectionIsChanged);
    QElapsedTimer sinceLastTrigger;
    connect(ReachabilityWatching::instanceForLocal(), &ReachabilityWatching::isReachable, this,
            [&] { sinceLastTrigger.start(); });

    QStringList burst;
    for (int i = 0; i < 10; ++i)
        burst << QStringLiteral("addr add 10.1.0.10%1/24 dev d0").arg(i);
    QVERIFY(ipBatch(burst));

    QVERIFY(changed.wait(5000));
    const qint64 quiet = sinceLastTrigger.elapsed();
    QVERIFY(!changed.wait(NetworkNotifier::QuietPeriodMs + 300));
    disconnect(ReachabilityWatching::instanceForLocal(), nullptr, this, nullptr);

    QCOMPARE(changed.count(), 1);
    // Timers of this length may fire up to 5% early, and this clock starts a
    // moment after the notifier's timer does.
    QVERIFY2(sinceLastTrigger.isValid() && quiet >= NetworkNotifier::QuietPeriodMs * 9 / 10,
             qPrintable(QString::number(quiet)));
}

void tst_NetworkWatchingLinux::lostAddressIsReported()
{
    settle();
    QSignalSpy changed(notifier, &NetworkNotifier::localConnectionIsChanged);
    QSignalSpy unreachable(ReachabilityWatching::instanceForLocal(), &ReachabilityWatching::isUnreachable);

    QVERIFY(ip("addr flush dev d0"));

    QVERIFY(unreachable.wait(2000));
    QVERIFY(changed.wait(2000));
}

OZM_NAMESPACE_TEST_MAIN(tst_NetworkWatchingLinux, PrivateNamespaces::Options())
#include "tst_NetworkWatchingLinux.moc"
