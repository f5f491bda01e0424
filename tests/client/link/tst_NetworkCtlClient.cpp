#include "LinkTestKit.h"
#include "ScriptedNetwork.h"

#include <ApiTestKit.h>
#include <NetworkCtlClient.h>
#include <Ozm.h>
#include <PrivateNamespaces.h>

#include <QElapsedTimer>
#include <QtTest>

namespace {

const QStringList Wifi{"0", "1", "1", "WPA/2 wifi encryption", "Caf\u00e9 2", "4", "1", "1"};
const QStringList Wired{"0", "1", "1", "Wired connection", "", "0", "1", "0"};
const QStringList UnknownType{"0", "1", "1", "Unknown connection type", "", "0", "0", "1"};
// What the client holds before any report, and after one it cannot read.
const QStringList Initial{"1", "0", "0", "Unknown connection type", "", "0", "0", "0"};
const QString Unreadable = QStringLiteral("NetworkCtlClient: unreadable network report, taken as no Internet connection");

QStringList with(QStringList report, int index, const QString& value)
{
    report[index] = value;
    return report;
}


} // namespace

// The network state client against a scripted backend: what each report
// leaves, what it signals, and the two things it asks of the network itself.
class tst_NetworkCtlClient : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void reports_data();
    void reports();
    void lostLinkLeavesNoInternet();
    void switchingWifiOn();
    void internetCheck_data();
    void internetCheck();

private:
    std::unique_ptr<MessageCapture> log;
    std::unique_ptr<ScriptedNetwork> network;
};

void tst_NetworkCtlClient::init()
{
    QVERIFY(PrivateNamespaces::renewNetwork());
    log = std::make_unique<MessageCapture>();
    network = std::make_unique<ScriptedNetwork>();
    QCOMPARE(network->start(), QString());
}

void tst_NetworkCtlClient::cleanup()
{
    network.reset();
    log.reset();
}

void tst_NetworkCtlClient::reports_data()
{
    QTest::addColumn<QList<QStringList>>("reports");
    // "changed" for localConnectionIsChanged(), "same network" for currentNetworkChanged().
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<int>("unreadable");

    const QString changed = QStringLiteral("changed");
    const QString same = QStringLiteral("same network");
    QTest::newRow("first report") << QList<QStringList>{Wifi} << QStringList{changed} << Wifi << 0;
    QTest::newRow("the same report again")
        << QList<QStringList>{Wifi, Wifi} << QStringList{changed, changed, same} << Wifi << 0;
    QTest::newRow("another Wi-Fi name") << QList<QStringList>{Wifi, with(Wifi, 4, "Airport")}
                                        << QStringList{changed, changed} << with(Wifi, 4, "Airport") << 0;
    QTest::newRow("another Wi-Fi security") << QList<QStringList>{Wifi, with(Wifi, 5, "3")}
                                            << QStringList{changed, changed} << with(Wifi, 5, "3") << 0;
    QTest::newRow("another state on the same link") << QList<QStringList>{Wired, with(Wired, 0, "1")}
                                                    << QStringList{changed, changed} << with(Wired, 0, "1") << 0;
    QTest::newRow("wired repeated with another secured flag")
        << QList<QStringList>{Wired, with(Wired, 1, "0")} << QStringList{changed, changed, same}
        << with(Wired, 1, "0") << 0;
    QTest::newRow("unknown type repeated with another secured flag")
        << QList<QStringList>{UnknownType, with(UnknownType, 1, "0")} << QStringList{changed, changed}
        << with(UnknownType, 1, "0") << 0;
    QTest::newRow("7 values") << QList<QStringList>{Wifi, Wifi.mid(0, 7)} << QStringList{changed, changed}
                              << Initial << 1;
    // Read as 0, the garbled flag would make an unsecured connected network and
    // start an automatic activation.
    QTest::newRow("a flag that is not a number")
        << QList<QStringList>{Wired, {"0", "no", "1", "Unencrypted wireless", "Cafe", "1", "1", "1"}}
        << QStringList{changed, changed} << Initial << 1;
    QTest::newRow("a state that is not a number")
        << QList<QStringList>{Wired, with(Wired, 0, "up")} << QStringList{changed, changed} << Initial << 1;
    QTest::newRow("an empty number") << QList<QStringList>{Wifi, with(Wifi, 7, "")} << QStringList{changed, changed}
                                     << Initial << 1;
}

void tst_NetworkCtlClient::reports()
{
    QFETCH(QList<QStringList>, reports);
    QFETCH(QStringList, emitted);
    QFETCH(QStringList, record);
    QFETCH(int, unreadable);

    QStringList seen;
    const QObject context;
    NetworkCtlClient* const client = NetworkCtlClient::inst();
    connect(client, &NetworkCtlClient::localConnectionIsChanged, &context, [&seen] { seen << "changed"; });
    connect(client, &NetworkCtlClient::currentNetworkChanged, &context, [&seen] { seen << "same network"; });
    QCOMPARE(heldNetworkReport(), Initial);
    for (const QStringList& report : reports)
        QVERIFY(network->report(report));

    QCOMPARE(seen, emitted);
    QCOMPARE(heldNetworkReport(), record);
    const QStringList debug = log->messages(QtDebugMsg);
    for (const QStringList& report : reports) {
        QVERIFY(debug.contains("params size: " + QString::number(report.size())));
        for (int i = 0; i < report.size(); ++i)
            QVERIFY2(debug.contains(QStringLiteral("param %1: %2").arg(i).arg(report.at(i))), qPrintable(report.at(i)));
    }
    QCOMPARE(log->messages(QtWarningMsg).count(Unreadable), unreadable);
}

// The link's last word is an empty report.
void tst_NetworkCtlClient::lostLinkLeavesNoInternet()
{
    QVERIFY(network->report(Wired));
    QSignalSpy changed(NetworkCtlClient::inst(), &NetworkCtlClient::localConnectionIsChanged);
    network->backend.closeControl();
    QVERIFY(changed.wait(5000));
    QCOMPARE(heldNetworkReport(), Initial);
    QVERIFY(!log->messages().contains(Unreadable));
}

void tst_NetworkCtlClient::switchingWifiOn()
{
    network->backend.onRequest([this](const LinkMessage& request) { network->backend.reply(request, {}); });
    NetworkCtlClient::inst()->activateWiFiAdapter();
    QCOMPARE(network->backend.requests().size(), 1);
    QCOMPARE(network->backend.requests().first().name, QString("OZM_ACTIVATE_WIFI_ADAPTER"));
    QCOMPARE(network->backend.requests().first().arguments, QStringList());

    network->backend.closeControl();
    QTRY_VERIFY(!Ozm::inst()->serviceIsRunning());
    NetworkCtlClient::inst()->activateWiFiAdapter();
    QVERIFY(log->messages(QtCriticalMsg)
                .contains("OzmCommunicator: Ozm not found, service not connected. OZM_ACTIVATE_WIFI_ADAPTER failed."));
    QCOMPARE(network->backend.requests().size(), 1);
}

void tst_NetworkCtlClient::internetCheck_data()
{
    QTest::addColumn<QStringList>("network");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("output");

    const QString host = QString::fromLatin1(ScriptedNetwork::WebHostAddress);
    QTest::newRow("the web host answers") << QStringList{"addr add " + host + "/32 dev lo"} << true
                                          << "1 packets transmitted, 1 received";
    // Sent out on a link where nobody answers: without a bound, ping would wait
    // 10 s for the reply.
    QTest::newRow("the web host is silent")
        << QStringList{"link add v0 type veth peer name v1", "link set v1 up", "link set v0 up",
                       "route add " + host + "/32 dev v0",
                       "neigh add " + host + " lladdr 02:00:00:00:00:01 dev v0 nud permanent"}
        << false << "1 packets transmitted, 0 received";
    QTest::newRow("no way to the web host") << QStringList() << false << "";
}

void tst_NetworkCtlClient::internetCheck()
{
    QFETCH(QStringList, network);
    QFETCH(bool, answered);
    QFETCH(QString, output);
    QVERIFY(network.isEmpty() || PrivateNamespaces::ipBatch(network));

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(NetworkCtlClient::isInternetConnectionExisted(), answered);
    QVERIFY2(clock.elapsed() < NetworkCtlClient::PingReplyWaitSeconds * 1000 + 1500,
             qPrintable(QString::number(clock.elapsed())));
    const QStringList lines = log->messages(QtDebugMsg).filter("NetworkCtlClient: isInternetConnectionExisted: ");
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().contains(output), qPrintable(lines.first()));
}

OZM_NAMESPACE_TEST_MAIN(tst_NetworkCtlClient, ScriptedNetwork::namespaces())

#include "tst_NetworkCtlClient.moc"
