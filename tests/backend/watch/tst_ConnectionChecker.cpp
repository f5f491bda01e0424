#include "ConnectionChecker.h"
#include "FakeNetworkPlatform.h"
#include "OperatorWebHost.h"

#include <QtTest>

using Service = NetworkPlatform::Service;
using Kind = NetworkPlatform::ServiceKind;
Q_DECLARE_METATYPE(QList<NetworkPlatform::Service>)

namespace {

Service ethernet(bool link, bool address)
{
    Service s = FakeNetworkPlatform::connectedService(Kind::Other, QStringLiteral("eth0"));
    s.linkActive = link;
    s.hasIPv4Address = address;
    return s;
}

Service wifi(bool enabled, bool powered, bool joined)
{
    Service s = FakeNetworkPlatform::connectedService(Kind::Wireless, QStringLiteral("wlan0"));
    s.enabled = enabled;
    s.wifiPowered = powered;
    s.linkActive = joined;
    s.hasIPv4Address = joined;
    return s;
}

// A dial-up service has no interface until it dials.
Service dialUp()
{
    Service s = FakeNetworkPlatform::connectedService(Kind::Ppp, QString());
    s.hasIPv4Address = false;
    return s;
}

const char* const StateNames[] = {"Connected",          "NoInternetConnection", "WifiDisabled",
                                  "NoIpConfigured",     "NoWirelessNetworks",   "WirelessNetworksAvailable"};

} // namespace

class tst_ConnectionChecker : public QObject
{
    Q_OBJECT
private slots:
    void physicalState_data();
    void physicalState();
};

void tst_ConnectionChecker::physicalState_data()
{
    QTest::addColumn<QList<Service>>("services");
    QTest::addColumn<bool>("wifiNetworksInRange");
    QTest::addColumn<bool>("webHostReachable");
    QTest::addColumn<int>("expected");

    QTest::newRow("wired with address reaching the web host") << QList<Service>{ethernet(true, true)} << false << true
                                                              << int(Connected);
    QTest::newRow("wired with address, no internet") << QList<Service>{ethernet(true, true)} << false << false
                                                     << int(NoInternetConnection);
    QTest::newRow("cable unplugged, no Wi-Fi") << QList<Service>{ethernet(false, false)} << false << true
                                               << int(NoInternetConnection);
    QTest::newRow("Wi-Fi off outranks Ethernet without address")
        << QList<Service>{wifi(true, false, false), ethernet(true, false)} << false << true << int(WifiDisabled);
    QTest::newRow("Wi-Fi service disabled") << QList<Service>{wifi(false, true, false)} << true << true
                                            << int(WifiDisabled);
    QTest::newRow("Wi-Fi on, networks in range") << QList<Service>{wifi(true, true, false)} << true << true
                                                 << int(WirelessNetworksAvailable);
    QTest::newRow("Wi-Fi on, nothing in range") << QList<Service>{wifi(true, true, false)} << false << true
                                                << int(NoWirelessNetworks);
    QTest::newRow("networks in range outrank Ethernet without address")
        << QList<Service>{ethernet(true, false), wifi(true, true, false)} << true << true
        << int(WirelessNetworksAvailable);
    QTest::newRow("Ethernet link without address") << QList<Service>{ethernet(true, false)} << false << true
                                                   << int(NoIpConfigured);
    QTest::newRow("any address outranks the rest, no internet")
        << QList<Service>{ethernet(true, false), wifi(true, true, true)} << false << false
        << int(NoInternetConnection);
    QTest::newRow("dial-up service not dialled") << QList<Service>{dialUp()} << false << true << int(NoIpConfigured);
    QTest::newRow("no services") << QList<Service>{} << false << true << int(NoInternetConnection);
}

void tst_ConnectionChecker::physicalState()
{
    QFETCH(QList<Service>, services);
    QFETCH(bool, wifiNetworksInRange);
    QFETCH(bool, webHostReachable);
    QFETCH(int, expected);

    FakeNetworkPlatform network;
    network.serviceList = services;
    if (wifiNetworksInRange)
        network.interfacesWithNetworksInRange << QStringLiteral("wlan0");
    if (webHostReachable)
        network.reachableHosts << QString::fromLatin1(OperatorWebHost);

    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("ConnectionPhysicalState - ") + StateNames[expected]));
    QCOMPARE(int(ConnectionChecker::currentPhysicalState()), expected);
}

QTEST_GUILESS_MAIN(tst_ConnectionChecker)
#include "tst_ConnectionChecker.moc"
