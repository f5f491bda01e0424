#include "BedNetworkManager.h"
#include "EndToEndTest.h"

#include <LinkProtocol.h>

#include <QtTest>

namespace Request = LinkProtocol::Request;

// Switching Wi-Fi on goes from the backend to NetworkManager on the client
// side's own system bus: a scripted one there records the call.
class tst_EndToEndWifiSwitch : public EndToEndTest
{
    Q_OBJECT
public:
    tst_EndToEndWifiSwitch()
        : EndToEndTest(Start::BedOnly)
    {
    }

private slots:
    void switchOnReachesNetworkManager();
};

void tst_EndToEndWifiSwitch::switchOnReachesNetworkManager()
{
    BedNetworkManager networkManager(session->bed());
    QVERIFY(networkManager.isReady());

    session->startBackend();
    QCOMPARE(session->openLink(), QString());
    session->link().request(QLatin1String(Request::ActivateWifiAdapter));
    QVERIFY(session->link().waitForReply(QLatin1String(Request::ActivateWifiAdapter)));
    QVERIFY2(networkManager.heard(QStringLiteral("CALL Set /org/freedesktop/NetworkManager "
                                                 "org.freedesktop.NetworkManager WirelessEnabled true")),
             qPrintable(networkManager.said().join('\n')));
    QVERIFY(networkManager.ends());
}

QTEST_GUILESS_MAIN(tst_EndToEndWifiSwitch)
#include "tst_EndToEndWifiSwitch.moc"
