#include <ApiTestKit.h>
#include <FakeBackendPeer.h>
#include <FakeLogind.h>
#include <PrivateBus.h>
#include <PrivateNamespaces.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Answers the initial state with 2, echoes the cluster and closes the link on
// "OZM_VPN_DEACTIVATE"; every other request gets an empty reply.
void answer(FakeBackendPeer& backend, const LinkMessage& request)
{
    if (request.name == "OZM_INITIAL_ACTIVATION_STATE")
        backend.reply(request, {"2"});
    else if (request.name == "OZM_SET_CURRENT_CLUSTER")
        backend.reply(request, request.arguments);
    else if (request.name == "OZM_VPN_DEACTIVATE")
        backend.closeControl();
    else
        backend.reply(request, {});
}

} // namespace

// The headless client against a scripted backend and a scripted logind on a
// private system bus: what it prints, how it ends, what it leaves in its data
// folder.
class tst_ClientProbe : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void session_data();
    void session();
    void networkAndPower();

private:
    void startProbe(QProcess& probe, const QString& root);
    bool waitForOutput(QProcess& probe, QStringList& output, int lines);

    std::unique_ptr<PrivateBus> bus;
    std::unique_ptr<FakeLogind> logind;
};

void tst_ClientProbe::initTestCase()
{
    bus = std::make_unique<PrivateBus>();
    QVERIFY(bus->isRunning());
    // The probe's system bus.
    bus->becomeSystemBus();
    logind = std::make_unique<FakeLogind>(bus->address());
    QVERIFY(logind->isRunning());
}

void tst_ClientProbe::cleanupTestCase()
{
    logind.reset();
    bus.reset();
}

void tst_ClientProbe::startProbe(QProcess& probe, const QString& root)
{
    const QString appDir = root + "/app";
    writeScript(appDir + "/ozm_launch", "exit 0");
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    probe.start(OZM_CLIENT_PROBE, {"--app-dir", appDir, "--data-dir", root + "/home/data"});
}

bool tst_ClientProbe::waitForOutput(QProcess& probe, QStringList& output, int lines)
{
    return QTest::qWaitFor(
        [&] {
            while (probe.canReadLine())
                output << QString::fromUtf8(probe.readLine()).chopped(1);
            return output.size() >= lines;
        },
        10000);
}

void tst_ClientProbe::session_data()
{
    QTest::addColumn<QByteArray>("verdict");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("output");
    QTest::addColumn<QList<QStringList>>("requests");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("requests, then quit")
        << QByteArray("2702")
        << QByteArray("request OZM_INITIAL_ACTIVATION_STATE\nrequest OZM_SET_CURRENT_CLUSTER \"New York\"\nquit\n")
        << QStringList{"LINK connected", "REPLY OZM_INITIAL_ACTIVATION_STATE 2",
                       "REPLY OZM_SET_CURRENT_CLUSTER \"New York\""}
        << QList<QStringList>{{"OZM_INITIAL_ACTIVATION_STATE"}, {"OZM_SET_CURRENT_CLUSTER", "New York"}} << 0;
    QTest::newRow("end of input quits") << QByteArray("2702") << QByteArray("request OZM_UPDATE_VPN_STATISTICS")
                                        << QStringList{"LINK connected", "REPLY OZM_UPDATE_VPN_STATISTICS"}
                                        << QList<QStringList>{{"OZM_UPDATE_VPN_STATISTICS"}} << 0;
    QTest::newRow("link lost while waiting")
        << QByteArray("2702") << QByteArray("request OZM_VPN_DEACTIVATE\nrequest OZM_INITIAL_ACTIVATION_STATE\n")
        << QStringList{"LINK connected", "NETWORK 1 0 0 \"Unknown connection type\" \"\" 0 0 0",
                       "REPLY OZM_VPN_DEACTIVATE", "LINK lost"}
        << QList<QStringList>{{"OZM_VPN_DEACTIVATE"}} << 3;
    QTest::newRow("unreadable line") << QByteArray("2702") << QByteArray("request \"x\nbounce\nquit\n")
                                     << QStringList{"LINK connected", "ERROR unreadable line: request \"x",
                                                    "ERROR unknown command: bounce"}
                                     << QList<QStringList>() << 0;
    QTest::newRow("handshake rejected") << QByteArray("2701") << QByteArray("quit\n") << QStringList{"LINK failed"}
                                        << QList<QStringList>() << 2;
}

void tst_ClientProbe::session()
{
    QFETCH(QByteArray, verdict);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, output);
    QFETCH(QList<QStringList>, requests);
    QFETCH(int, exitCode);

    const QTemporaryDir root;
    const QString appDir = root.filePath("app");
    const QString dataDir = root.filePath("home/data");
    FakeBackendPeer backend;
    QVERIFY(backend.listen());
    backend.setHandshake(QByteArray::number(LinkProtocol::HandshakeNumber), verdict);
    backend.onRequest([&backend](const LinkMessage& request) { answer(backend, request); });

    QProcess probe;
    startProbe(probe, root.path());
    probe.write(input);
    probe.closeWriteChannel();
    QVERIFY(QTest::qWaitFor([&] { return probe.state() == QProcess::NotRunning; }, 15000));

    QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts), output);
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), exitCode);
    QList<QStringList> received;
    for (const LinkMessage& request : backend.requests())
        received << (QStringList{request.name} + request.arguments);
    QCOMPARE(received, requests);
    QCOMPARE(modeOf(dataDir), 0700);
    QFile log(dataDir + "/log.txt");
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("Ozm: starting backend process: " + appDir.toUtf8() + "/ozm_launch"));
}

// A line for each network report, with what the client makes of it, and for
// each sleep and wake; the probe's sleep lock is given back during sleep.
void tst_ClientProbe::networkAndPower()
{
    const QTemporaryDir root;
    FakeBackendPeer backend;
    QVERIFY(backend.listen());
    QProcess probe;
    const int locks = logind->inhibitCalls().size();
    startProbe(probe, root.path());
    QStringList output;
    QVERIFY(waitForOutput(probe, output, 1));
    QTRY_COMPARE(logind->inhibitCalls().size(), locks + 1);

    const QString network = QLatin1String(LinkProtocol::Event::LocalConnectionIsChanged);
    backend.sendEvent(network, {"0", "1", "1", "WPA/2 wifi encryption", "Caf\u00e9 \"2\"", "4", "1", "1"});
    backend.sendEvent(network, {"0", "1", "1", "Wired connection", "", "0", "1"});
    QVERIFY(waitForOutput(probe, output, 3));
    QVERIFY(logind->prepareForSleep(true));
    QVERIFY(waitForOutput(probe, output, 4));
    QTRY_VERIFY(!logind->isHeld(locks));
    QVERIFY(logind->prepareForSleep(false));
    QVERIFY(waitForOutput(probe, output, 5));
    QTRY_VERIFY(logind->isHeld(locks + 1));
    probe.write("quit\n");
    QVERIFY(QTest::qWaitFor([&] { return probe.state() == QProcess::NotRunning; }, 10000));

    QCOMPARE(output, (QStringList{"LINK connected", "NETWORK 0 1 1 \"WPA/2 wifi encryption\" \"Caf\u00e9 \\\"2\\\"\" 4 1 1",
                                  "NETWORK 1 0 0 \"Unknown connection type\" \"\" 0 0 0", "POWER sleep", "POWER wake"}));
    QCOMPARE(probe.exitCode(), 0);
    QVERIFY(!logind->isHeld(locks + 1));
}

OZM_NAMESPACE_TEST_MAIN(tst_ClientProbe, PrivateNamespaces::Options().withOwnProcesses())

#include "tst_ClientProbe.moc"
