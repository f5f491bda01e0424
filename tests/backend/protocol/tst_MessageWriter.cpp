#include "LinkProtocol.h"
#include "LocalConnectionState.h"
#include "MessageWriter.h"

#include "LoopbackConnection.h"

#include <QtTest>

class tst_MessageWriter : public QObject
{
    Q_OBJECT
private slots:
    void bytes_data();
    void bytes();
    void messagesReachThePeerWhole();
    void messageTheKernelTakesInPartsKeepsItsPlace();
    void peerThatStopsReadingCannotGrowTheSender();
};

void tst_MessageWriter::bytes_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("reply without values") << MessageWriter::reply("r1", {}) << QByteArray("r1\n0\n");
    QTest::newRow("reply with a value") << MessageWriter::reply("140230", {"2"}) << QByteArray("140230\n1\n2\n");
    QTest::newRow("request") << MessageWriter::request(LinkProtocol::Request::SetCurrentCluster, "7", {"New York"})
                             << QByteArray("OZM_SET_CURRENT_CLUSTER\n7\n1\nNew York\n");
    QTest::newRow("event with counters")
        << MessageWriter::event(LinkProtocol::Event::VpnStatisticsUpdated, {"18446744073709551615", "0"})
        << QByteArray("OZM_VPN_STATISTICS_UPDATED\n2\n18446744073709551615\n0\n");
    QTest::newRow("UTF-8 value") << MessageWriter::event(LinkProtocol::Event::ActivatingServerChanged, {"Zürich"})
                                 << QByteArray("OZM_ACTIVATING_SERVER_CHANGED\n1\nZ\xc3\xbcrich\n");
    QTest::newRow("line feed in a value cannot forge a message")
        << MessageWriter::event(LinkProtocol::Event::ActivatingServerChanged, {"x\nOZM_AUTHENTICATION_FAILED\n0"})
        << QByteArray("OZM_ACTIVATING_SERVER_CHANGED\n1\nxOZM_AUTHENTICATION_FAILED0\n");

    LocalConnectionState state;
    state.physicalState = WirelessNetworksAvailable;
    state.secured = false;
    state.enabled = true;
    state.connectionType = "Wi-Fi (WPA2)";
    state.wifiName = "Café\nGuest";
    state.wifiSecurity = SecurityWPA2;
    state.wifiPowerOn = true;
    QTest::newRow("network state")
        << MessageWriter::event(LinkProtocol::Event::LocalConnectionIsChanged, state.toValues())
        << QByteArray("OZM_LOCAL_CONNECTION_IS_CHANGED\n8\n5\n0\n1\nWi-Fi (WPA2)\nCaf\xc3\xa9Guest\n4\n1\n1\n");

    QTest::newRow("warning log line") << MessageWriter::logLine(QtWarningMsg, "VpnCtl: up") << QByteArray("1VpnCtl: up\n");
    QTest::newRow("information log line") << MessageWriter::logLine(QtInfoMsg, "x") << QByteArray("4x\n");
    QTest::newRow("log text over two lines") << MessageWriter::logLine(QtDebugMsg, "a\nb") << QByteArray("0a\nb\n");
}

void tst_MessageWriter::bytes()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, expected);
    QCOMPARE(message, expected);
}

void tst_MessageWriter::messagesReachThePeerWhole()
{
    LoopbackConnection connection;
    QTcpSocket* backend = connection.accepted();
    QVERIFY(backend);

    MessageWriter writer(backend);
    QVERIFY(writer.writeReply("r1", {"2"}));
    QVERIFY(writer.writeEvent(LinkProtocol::Event::VpnAuthFailed, {}));
    QVERIFY(writer.writeLogLine(QtCriticalMsg, "BackendService: x"));

    QByteArray received;
    QTRY_COMPARE((received += connection.client.readAll()),
                 QByteArray("r1\n1\n2\nOZM_VPN_AUTH_FAILED\n0\n2BackendService: x\n"));

    backend->abort();
    QVERIFY(!writer.writeEvent(LinkProtocol::Event::VpnAuthFailed, {}));
}

// A message larger than the kernel takes at once is sent partly at once and
// partly later; whatever is written behind it must wait for its rest.
void tst_MessageWriter::messageTheKernelTakesInPartsKeepsItsPlace()
{
    LoopbackConnection connection;
    QTcpSocket* sender = connection.accepted();
    QVERIFY(sender);
    const QString value(8 * 1024 * 1024, 'x');
    MessageWriter writer(sender);
    QVERIFY(writer.writeEvent("OZM_BIG", {value}));
    QVERIFY(sender->bytesToWrite() > 0);
    // The peer takes some, so the kernel has room again while the sender still
    // holds the rest (its event loop has not run).
    QByteArray received;
    while (received.size() < 1024 * 1024 && connection.client.waitForReadyRead(5000))
        received += connection.client.readAll();
    QVERIFY(sender->bytesToWrite() > 0);
    QVERIFY(writer.writeReply("r1", {}));

    const QByteArray expected = MessageWriter::event("OZM_BIG", {value}) + MessageWriter::reply("r1", {});
    QTRY_COMPARE_WITH_TIMEOUT((received += connection.client.readAll()).size(), expected.size(), 30000);
    QCOMPARE(received, expected);
}

void tst_MessageWriter::peerThatStopsReadingCannotGrowTheSender()
{
    LoopbackConnection connection;
    QTcpSocket* sender = connection.accepted();
    QVERIFY(sender);
    const QString value(1024 * 1024, 'x');
    int written = 0;
    while (written < 64 && MessageWriter(sender).writeEvent("OZM_EVENT", {value}))
        ++written;
    QVERIFY2(written < 64, "the sender kept buffering for a peer that reads nothing");
    QVERIFY(sender->bytesToWrite() <= MessageWriter::MaxPendingBytes);
}

QTEST_GUILESS_MAIN(tst_MessageWriter)
#include "tst_MessageWriter.moc"
