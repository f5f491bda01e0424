#include "EndToEndTest.h"
#include "Poll.h"

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
    void initTestCase();
    void switchOnReachesNetworkManager();
};

void tst_EndToEndWifiSwitch::initTestCase()
{
    // The bed's programs find their system bus at its usual place, as a set-uid
    // program must.
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

void tst_EndToEndWifiSwitch::switchOnReachesNetworkManager()
{
    TestBed& bed = session->bed();
    QProcess systemBus;
    QVERIFY(bed.startSystemBus(systemBus));
    QProcess networkManager;
    networkManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bed.start(networkManager, QStringLiteral(OZM_SCRIPTED_NM));
    QStringList calls;
    const auto heard = [&](const QString& line) {
        return Poll::until(
            [&] {
                while (networkManager.canReadLine())
                    calls << QString::fromUtf8(networkManager.readLine()).trimmed();
                return calls.contains(line);
            },
            20000);
    };
    QVERIFY(heard(QStringLiteral("READY")));

    session->startBackend();
    QCOMPARE(session->openLink(), QString());
    session->link().request(QLatin1String(Request::ActivateWifiAdapter));
    QVERIFY(session->link().waitForReply(QLatin1String(Request::ActivateWifiAdapter)));
    QVERIFY2(heard(QStringLiteral("CALL Set /org/freedesktop/NetworkManager org.freedesktop.NetworkManager "
                                  "WirelessEnabled true")),
             qPrintable(calls.join('\n')));

    networkManager.closeWriteChannel();
    QVERIFY(networkManager.waitForFinished(20000));
    systemBus.kill();
    systemBus.waitForFinished();
}

QTEST_GUILESS_MAIN(tst_EndToEndWifiSwitch)
#include "tst_EndToEndWifiSwitch.moc"
