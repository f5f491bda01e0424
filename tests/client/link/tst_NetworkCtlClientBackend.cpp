#include "ScriptedNetwork.h"

#include <ApiTestKit.h>
#include <BusServiceHost.h>
#include <Folders.h>
#include <NetworkCtlClient.h>
#include <Ozm.h>
#include <PrivateBus.h>
#include <ScriptedNetworkManager.h>

#include <QtTest>

// The network state client with the real backend from the staged application
// folder, in a network of one wired link with a default route; a private bus
// stands in for the system bus, with a scripted NetworkManager on it.
class tst_NetworkCtlClientBackend : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void wiredNetworkAndItsLoss();
    void switchingWifiOn();

private:
    std::unique_ptr<PrivateBus> bus;
    ScriptedNetworkManager* networkManager = nullptr;
    std::unique_ptr<BusServiceHost> networkManagerHost;
    QTemporaryDir data;
};

void tst_NetworkCtlClientBackend::initTestCase()
{
    bus = std::make_unique<PrivateBus>();
    QVERIFY(bus->isRunning());
    // The backend's system bus too.
    bus->becomeSystemBus();
    networkManager = new ScriptedNetworkManager;
    networkManagerHost = std::make_unique<BusServiceHost>(
        bus->address(), ScriptedNetworkManager::Service, QStringLiteral("/org/freedesktop"),
        std::unique_ptr<QDBusVirtualObject>(networkManager), QDBusConnection::SubPath);
    QVERIFY(networkManagerHost->isRunning());
    QFile::setPermissions(data.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Folders::setAppFolder(QStringLiteral(OZM_APP_DIR));
    Folders::setAppDataFolder(data.path());
}

void tst_NetworkCtlClientBackend::init()
{
    QVERIFY(PrivateNamespaces::renewNetwork());
    QVERIFY(PrivateNamespaces::ipBatch({"link add d0 type veth peer name p0", "link set p0 up", "link set d0 up",
                                        "addr add 10.1.0.2/24 dev d0", "route add default via 10.1.0.1"}));
    QCOMPARE(startLink(), QString());
    NetworkCtlClient::initInstance(nullptr);
    Ozm::inst()->startSocketProcessing();
}

void tst_NetworkCtlClientBackend::cleanup()
{
    NetworkCtlClient::dropInstance();
    Ozm::dropInstance();
}

void tst_NetworkCtlClientBackend::cleanupTestCase()
{
    networkManagerHost.reset();
    bus.reset();
}

void tst_NetworkCtlClientBackend::wiredNetworkAndItsLoss()
{
    const NetworkCtlClient* const network = NetworkCtlClient::inst();
    QTRY_COMPARE(network->typeOfNetworkConnection(), NetworkCtlClient::CONNECTION_WIRED);
    QCOMPARE(network->currentPhysicalState(), Connected);
    QVERIFY(network->isConnectionSecured());
    QVERIFY(network->isConnectionEnabled());

    QSignalSpy changed(network, &NetworkCtlClient::localConnectionIsChanged);
    QVERIFY(PrivateNamespaces::ip("route del default"));
    QVERIFY(changed.wait(10000));
    QTRY_VERIFY(network->currentPhysicalState() != Connected);
}

void tst_NetworkCtlClientBackend::switchingWifiOn()
{
    const QString wirelessOn = QStringLiteral(
        "Set /org/freedesktop/NetworkManager org.freedesktop.NetworkManager WirelessEnabled true");
    const int before = networkManager->received().count(wirelessOn);
    NetworkCtlClient::inst()->activateWiFiAdapter();
    QCOMPARE(networkManager->received().count(wirelessOn), before + 1);
}

OZM_NAMESPACE_TEST_MAIN(tst_NetworkCtlClientBackend, ScriptedNetwork::namespaces())

#include "tst_NetworkCtlClientBackend.moc"
