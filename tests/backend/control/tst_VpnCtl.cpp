#include "VpnCtl.h"

#include "FakeManagementPeer.h"
#include "FakeNetworkPlatform.h"
#include "FakeWatchPlatform.h"
#include "NetworkNotifier.h"
#include "OpenvpnSandbox.h"
#include "OperatorWebHost.h"
#include "PrivateNamespaces.h"
#include "openvpn_manager.h"
#include "paths.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QtTest>

#include <atomic>
#include <climits>
#include <csignal>

Q_DECLARE_METATYPE(QList<int>)

namespace {

// Every timer of the state machine runs 100 times faster here.
const double TimeScale = 0.01;
const int StatisticsMs = 20;   // 2000 ms
const int ReactivationMs = 10; // 1000 ms
const int DhcpWaitMs = 600;    // 60000 ms
// Timers may fire up to 5% early.
const double TimerTolerance = 0.9;
const int ProcessTimeoutMs = 6000; // a start (1 s) plus the monitor's poll, with room for a slow machine

const QString Gateway = QStringLiteral("10.9.0.2");
const QByteArray OpenvpnLog = "openvpn: connecting to s\xc3\xa9rver\nopenvpn: TLS handshake failed\n";

QString state(ActivationState s)
{
    return QStringLiteral("state(%1)").arg(activationStateName(s));
}

QString errorInfo(const QString& signal, const QString& host)
{
    return QStringLiteral("%1(%2:opnevpn_log:%3)").arg(signal, host, QString::fromLatin1(OpenvpnLog.toBase64()));
}

// The process monitor only reports the end of a process it has seen running, and it
// looks once a second. A real openvpn lives longer than that; the stub is only ended
// once the monitor's last report says it runs.
std::atomic<bool> monitorSeesOpenvpn{false};
QtMessageHandler testLogHandler = nullptr;

void watchMonitorReports(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("VpnMonitor signals")) || message.startsWith(QLatin1String("VpnMonitor expects")))
        monitorSeesOpenvpn = message.contains(QLatin1String("running"));
    testLogHandler(type, context, message);
}

const QString Restore = QStringLiteral("restoreSavedClusterAndServer");
const QString Request = QStringLiteral("requestActivation");

VpnServer server(const QString& name)
{
    VpnServer s;
    s.name = name;
    s.host = name + QStringLiteral(".vpn.test");
    s.city = QStringLiteral("City ") + name;
    s.country = QStringLiteral("Country");
    s.state = QStringLiteral("up");
    return s;
}

VpnCluster cluster(const QString& name, const QStringList& servers)
{
    VpnCluster c;
    c.name = name;
    c.servers = servers;
    return c;
}

VpnAuthData credentials(const QString& host)
{
    VpnAuthData auth;
    auth.host = host;
    auth.user = QStringLiteral("vpnuser");
    auth.password = QStringLiteral("s3cret");
    auth.is_encrypted = true;
    return auth;
}

} // namespace

// Every signal of a VpnCtl as one text, in the order of emission.
class EventLog : public QObject
{
public:
    QStringList entries;

    void attach(VpnCtl* ctl)
    {
        entries.clear();
        auto add = [this](const QString& entry) { entries << entry; };
        connect(ctl, &VpnCtl::requestActivation, this, [add] { add(Request); });
        connect(ctl, &VpnCtl::requestActivationBecauseInternetRestored, this,
                [add] { add(QStringLiteral("requestActivationBecauseInternetRestored")); });
        connect(ctl, &VpnCtl::activationFailed, this,
                [add](const QString& info) { add(QStringLiteral("activationFailed(%1)").arg(info)); });
        connect(ctl, &VpnCtl::forcedActivationFailed, this,
                [add](const QString& info) { add(QStringLiteral("forcedActivationFailed(%1)").arg(info)); });
        connect(ctl, &VpnCtl::vpnConnectionEpicFail, this, [add] { add(QStringLiteral("vpnConnectionEpicFail")); });
        connect(ctl, &VpnCtl::authenticationFailed, this, [add] { add(QStringLiteral("authenticationFailed")); });
        connect(ctl, &VpnCtl::connectionToVpnProcessFailed, this,
                [add] { add(QStringLiteral("connectionToVpnProcessFailed")); });
        connect(ctl, &VpnCtl::vpnAuthFailed, this, [add] { add(QStringLiteral("vpnAuthFailed")); });
        connect(ctl, &VpnCtl::activationStateChanged, this, [add](ActivationState s) { add(state(s)); });
        connect(ctl, &VpnCtl::activatingServerChanged, this,
                [add](const QString& host) { add(QStringLiteral("activatingServerChanged(%1)").arg(host)); });
        connect(ctl, &VpnCtl::vpnStatisticsUpdated, this, [add](quint64 read, quint64 written) {
            add(QStringLiteral("statistics(%1,%2)").arg(read).arg(written));
        });
        connect(ctl, &VpnCtl::restoreSavedClusterAndServer, this, [add] { add(Restore); });
    }

    QStringList statistics() const { return entries.filter(QStringLiteral("statistics(")); }

    QStringList withoutStatistics() const
    {
        QStringList rest = entries;
        rest.erase(std::remove_if(rest.begin(), rest.end(),
                                  [](const QString& e) { return e.startsWith(QLatin1String("statistics(")); }),
                   rest.end());
        return rest;
    }
};

// openvpn's side of a run: the stub process the launcher starts, and a management
// conversation played on the fixed management port. The credentials are answered
// with `afterCredentials`; a stop request ends the stub and the connection.
class ScriptedOpenvpn : public QObject
{
public:
    explicit ScriptedOpenvpn(OpenvpnSandbox& sandbox)
        : sandbox(sandbox)
    {
        connect(&peer, &FakeManagementPeer::clientConnected, this, [this] {
            credentialsTaken = false;
            peer.sendLine(">PASSWORD:Need 'Auth' username/password");
        });
        connect(&peer, &FakeManagementPeer::lineReceived, this, &ScriptedOpenvpn::onLine);
    }

    bool listen() { return peer.listen(openvpn_manager::ovpnManagementPort); }

    void reset()
    {
        received.clear();
        afterCredentials = {">STATE:1700000000,CONNECTED,SUCCESS,10.8.0.6,198.51.100.7"};
    }

    // The process vanishes without a word on the management connection.
    void crash()
    {
        QTRY_VERIFY(monitorSeesOpenvpn);
        sandbox.killAll();
        peer.closeConnection();
    }

    FakeManagementPeer peer;
    QByteArrayList received;
    QByteArrayList afterCredentials;

private:
    void onLine(const QByteArray& line)
    {
        received << line;
        if (line.startsWith("password Auth ")) {
            // Like openvpn, answer the one request only; credentials sent again go unanswered.
            if (credentialsTaken)
                return;
            credentialsTaken = true;
            peer.sendLine("SUCCESS: 'Auth' password entered");
            peer.sendLines(afterCredentials);
        } else if (line == "status") {
            peer.sendLines({"OpenVPN STATISTICS", "Updated,Thu Nov 14 10:00:00 2024", "TCP/UDP read bytes,1234",
                            "TCP/UDP write bytes,5678", "END"});
        } else if (line == "signal SIGTERM") {
            exitOnceSeen();
        }
    }

    void exitOnceSeen()
    {
        if (!monitorSeesOpenvpn && !sandbox.processes().isEmpty()) {
            QTimer::singleShot(50, this, &ScriptedOpenvpn::exitOnceSeen);
            return;
        }
        for (pid_t pid : sandbox.processes())
            ::kill(pid, SIGTERM);
        peer.closeConnection();
    }

    OpenvpnSandbox& sandbox;
    bool credentialsTaken = false;
};

class tst_VpnCtl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void activation();
    void destroyWhileActivated();
    void destroyedWhileStarting();
    void earlierStopReportedDuringStart();
    void processDiesWhileActivated();
    void strayOpenvpnIsStoppedFirst();
    void fatalMovesToNextServerUntilEpicFail();
    void lastWordsCountWhenTheEndIsSeenFirst_data();
    void lastWordsCountWhenTheEndIsSeenFirst();

    void onVpnState_data();
    void onVpnState();
    void authFailureAnswers_data();
    void authFailureAnswers();
    void vpnStoppedWhileActivated_data();
    void vpnStoppedWhileActivated();
    void deactivate_data();
    void deactivate();
    void reactivate_data();
    void reactivate();
    void localConnectionChanged_data();
    void localConnectionChanged();
    void activateOnInternetExisted();
    void nextReconnectionServer();
    void unexpectedShutdown_data();
    void unexpectedShutdown();
    void dhcpWait_data();
    void dhcpWait();

private:
    void activateUntilConnected(const QString& host);
    void feed(const QList<int>& states);
    void setSecured(bool secured);

    // Declared in this order so that the platforms exist before the first watcher
    // and outlive the state machine.
    FakeWatchPlatform watch;
    FakeNetworkPlatform network;
    OpenvpnSandbox sandbox;
    ScriptedOpenvpn openvpn{sandbox};
    EventLog log;
    // Stands for the backend service, the state machine's parent in the program.
    QObject service;
    QPointer<VpnCtl> ctl;
};

void tst_VpnCtl::initTestCase()
{
    VpnCtl::setTimeScaleForTests(TimeScale);
    testLogHandler = qInstallMessageHandler(watchMonitorReports);
    QVERIFY(sandbox.isValid());
    QVERIFY(openvpn.listen());
    QVERIFY(PrivateNamespaces::ipBatch({"link add v0 type veth peer name v1", "addr add 10.9.0.1/24 dev v0",
                                           "link set v0 up", "link set v1 up"}));
}

void tst_VpnCtl::init()
{
    // An open Wi-Fi network with Internet: the idle state is Deactivated.
    network.serviceList = {FakeNetworkPlatform::connectedService(NetworkPlatform::ServiceKind::Wireless, "wlan0")};
    network.setPrimary(QStringLiteral("wlan0"));
    network.linkLocalReachable = true;
    network.reachableHosts = {QString::fromLatin1(OperatorWebHost)};
    network.configMethod.clear();
    network.router.clear();
    setSecured(false);
    network.calls.clear();
    QVERIFY(PrivateNamespaces::ip("route replace default via " + Gateway));
    NetworkNotifier::instance()->stopWaitingForInternetConnection();

    QFile logFile(paths::OPENVPN_LOG_FILE);
    QVERIFY(logFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    logFile.write(OpenvpnLog);
    logFile.close();

    openvpn.reset();
    monitorSeesOpenvpn = false;
    ctl = new VpnCtl(&service);
    ctl->setServersList({server("a1"), server("a2"), server("a3"), server("b1")},
                        {cluster("A", {"a1", "a2", "a3"}), cluster("B", {"b1"})});
    ctl->setCurrentCluster(QStringLiteral("A"));
    log.attach(ctl);
}

void tst_VpnCtl::cleanup()
{
    delete ctl;
    sandbox.killAll();
    openvpn.peer.closeConnection();
}

void tst_VpnCtl::setSecured(bool secured)
{
    network.wifi = {QStringLiteral("cafe"), secured ? 4 : 0};
}

void tst_VpnCtl::feed(const QList<int>& states)
{
    for (int s : states)
        ctl->onVpnState(VpnState(s));
    log.entries.clear();
}

void tst_VpnCtl::activateUntilConnected(const QString& host)
{
    ctl->activate(credentials(host));
    QTRY_VERIFY_WITH_TIMEOUT(log.entries.contains(state(Activated)), ProcessTimeoutMs);
}

void tst_VpnCtl::activation()
{
    ctl->updateVpnStatistics();
    QCOMPARE(log.entries, QStringList{"statistics(0,0)"});
    log.entries.clear();

    ctl->activate(credentials(server("a1").host));
    QCOMPARE(log.entries, QStringList({state(Activating), state(Activating)}));
    QTRY_VERIFY_WITH_TIMEOUT(log.statistics().count("statistics(1234,5678)") >= 3, ProcessTimeoutMs);
    QVERIFY(openvpn.received.contains("username Auth vpnuser"));
    QVERIFY(openvpn.received.contains("password Auth s3cret"));
    QCOMPARE(log.withoutStatistics(), QStringList({state(Activating), state(Activating), state(Activated)}));
    QCOMPARE(log.statistics().filter("statistics(1234,5678)"), log.statistics());

    ctl->activate(credentials(server("a2").host));
    ctl->deactivate();
    QTRY_VERIFY(openvpn.received.contains("signal SIGTERM"));
    // Already on the way down: a second request changes nothing.
    ctl->deactivate();
    QTRY_VERIFY_WITH_TIMEOUT(log.entries.contains(state(Deactivated)), ProcessTimeoutMs);
    QCOMPARE(log.withoutStatistics(), QStringList({state(Activating), state(Activating), state(Activated),
                                                   state(Deactivating), Restore, state(Deactivated)}));
    const int down = log.entries.indexOf(state(Deactivating));
    const QStringList afterwards = log.entries.mid(down).filter(QStringLiteral("statistics("));
    QCOMPARE(afterwards.filter("statistics(0,0)"), afterwards);
    const int ticks = log.statistics().size();
    QTest::qWait(5 * StatisticsMs);
    QCOMPARE(log.statistics().size(), ticks);
}

void tst_VpnCtl::destroyWhileActivated()
{
    activateUntilConnected(server("a1").host);
    log.entries.clear();
    delete ctl;
    QTRY_VERIFY(openvpn.received.contains("signal SIGTERM"));
    QCOMPARE(log.withoutStatistics(), QStringList{state(Deactivating)});
}

// The client goes away while openvpn is being started: the session's deleteLater()
// comes due inside the start's waits.
void tst_VpnCtl::destroyedWhileStarting()
{
    QTimer::singleShot(200, ctl, [this] { ctl->deleteLater(); });
    ctl->activate(credentials(server("a1").host));
    QVERIFY(ctl.isNull());
    QCOMPARE(log.withoutStatistics(), QStringList({state(Activating), state(Activating), state(Deactivating)}));
    // The openvpn started for the gone session is stopped; no monitor is left to wait for.
    monitorSeesOpenvpn = true;
    QTRY_VERIFY_WITH_TIMEOUT(sandbox.processes().isEmpty(), ProcessTimeoutMs);
}

// The monitor saw the previous openvpn end, and its report comes in only while the
// next one is being started: it is not taken for the new one's end.
void tst_VpnCtl::earlierStopReportedDuringStart()
{
    QTimer::singleShot(200, ctl, [this] { ctl->onVpnStopped(); });
    activateUntilConnected(server("a1").host);
    QCOMPARE(log.withoutStatistics(), QStringList({state(Activating), state(Activating), state(Activated)}));
}

void tst_VpnCtl::processDiesWhileActivated()
{
    activateUntilConnected(server("a1").host);
    log.entries.clear();
    openvpn.crash();
    QTRY_VERIFY_WITH_TIMEOUT(log.entries.contains(Request), ProcessTimeoutMs);
    QCOMPARE(log.withoutStatistics(), QStringList({state(Deactivated), state(Deactivated), Request}));
}

void tst_VpnCtl::strayOpenvpnIsStoppedFirst()
{
    QVERIFY(sandbox.startOurs({"--writepid", paths::OPENVPN_PID_FILE}) > 0);
    QTRY_VERIFY(QFile::exists(paths::OPENVPN_PID_FILE) && !sandbox.processes().isEmpty());
    const QList<pid_t> stray = sandbox.processes();

    activateUntilConnected(server("a1").host);
    QVERIFY(log.entries.count(state(Activating)) >= 3);
    QCOMPARE(openvpn.received.indexOf("signal SIGTERM"), 0);
    QVERIFY(openvpn.received.contains("password Auth s3cret"));
    for (pid_t pid : stray)
        QVERIFY(!sandbox.processes().contains(pid));
}

void tst_VpnCtl::fatalMovesToNextServerUntilEpicFail()
{
    openvpn.afterCredentials = {">FATAL:TLS Error: TLS handshake failed"};
    const QStringList hosts = {server("a1").host, server("a2").host, server("a3").host};
    for (int i = 0; i < 2; ++i) {
        ctl->activate(credentials(hosts[i]));
        QTRY_VERIFY_WITH_TIMEOUT(log.entries.contains(Request), ProcessTimeoutMs);
        QCOMPARE(log.withoutStatistics(),
                 QStringList({state(Activating), state(Activating), "activatingServerChanged(" + hosts[i + 1] + ")",
                              state(Deactivating), state(Deactivated), Request}));
        log.entries.clear();
    }
    ctl->activate(credentials(hosts[2]));
    QTRY_VERIFY_WITH_TIMEOUT(log.entries.contains(state(Deactivated)), ProcessTimeoutMs);
    QCOMPARE(log.withoutStatistics(), QStringList({state(Activating), state(Activating), state(Deactivating),
                                                   "vpnConnectionEpicFail", Restore, state(Deactivated)}));
}

// openvpn ends at once, saying why or not; the monitor may see the end before the
// management connection shows anything. What openvpn said decides, and a silent end
// is no failed connection to openvpn.
void tst_VpnCtl::lastWordsCountWhenTheEndIsSeenFirst_data()
{
    QTest::addColumn<QByteArrayList>("lastWords");
    QTest::addColumn<QStringList>("firstEvents");
    QTest::newRow("server given up") << QByteArrayList{">STATE:1700000000,EXITING,connection-failed,,"}
                                     << QStringList{"activatingServerChanged(" + server("a2").host + ")", state(Deactivating)};
    QTest::newRow("silent") << QByteArrayList() << QStringList{state(Deactivated), state(Deactivated)};
}

void tst_VpnCtl::lastWordsCountWhenTheEndIsSeenFirst()
{
    QFETCH(QByteArrayList, lastWords);
    QFETCH(QStringList, firstEvents);
    openvpn.afterCredentials.clear();
    ctl->activate(credentials(server("a1").host));
    QTRY_VERIFY_WITH_TIMEOUT(openvpn.received.contains("password Auth s3cret") && monitorSeesOpenvpn, ProcessTimeoutMs);
    log.entries.clear();

    openvpn.peer.sendLines(lastWords);
    QVERIFY(openvpn.peer.waitUntilDelivered());
    sandbox.killAll();
    ctl->onVpnStopped();
    QTRY_VERIFY_WITH_TIMEOUT(log.entries.contains(Request), ProcessTimeoutMs);
    const QStringList events = log.withoutStatistics();
    QCOMPARE(events.mid(0, 2), firstEvents);
    QCOMPARE(events.last(), Request);
    QVERIFY(!events.contains(QStringLiteral("connectionToVpnProcessFailed")));
}

// Each row starts from the state its `setup` leads to (openvpn's own reports, without
// a process of ours), then openvpn reports `input`.
void tst_VpnCtl::onVpnState_data()
{
    QTest::addColumn<QList<int>>("setup");
    QTest::addColumn<bool>("internet");
    QTest::addColumn<QString>("clusterName");
    QTest::addColumn<int>("input");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("waitingBefore");
    QTest::addColumn<bool>("waitingAfter");

    const int connecting = int(VpnState::Connecting);
    const int connected = int(VpnState::Connected);
    const QList<int> activating{connecting};
    const QList<int> activated{connecting, connected};
    const QString forced = errorInfo(QStringLiteral("forcedActivationFailed"), QString());
    const QString nextServer = "activatingServerChanged(" + server("a1").host + ")";

    QTest::newRow("Connecting from idle") << QList<int>() << true << "A" << connecting
                                          << QStringList{state(Activating)} << false << false;
    QTest::newRow("Connected stops the wait for internet")
        << activating << true << "A" << connected << QStringList{state(Activated)} << true << false;
    QTest::newRow("Exited without an openvpn of ours")
        << activating << true << "A" << int(VpnState::Exited) << QStringList({Restore, state(Deactivated)}) << false
        << false;
    QTest::newRow("ConnectionReset with internet")
        << activating << true << "A" << int(VpnState::ConnectionReset) << QStringList{"vpnAuthFailed"} << false
        << false;
    QTest::newRow("ConnectionReset without internet")
        << activating << false << "A" << int(VpnState::ConnectionReset) << QStringList{forced} << false << false;
    QTest::newRow("ForcedFailure while Activating")
        << activating << true << "A" << int(VpnState::ForcedFailure) << QStringList{forced} << false << false;
    QTest::newRow("ForcedFailure after a connection waits for internet")
        << activated << true << "A" << int(VpnState::ForcedFailure) << QStringList{forced} << false << true;
    QTest::newRow("AuthFailure") << activating << true << "A" << int(VpnState::AuthFailure)
                                 << QStringList({Restore, state(Deactivated), "authenticationFailed"}) << false
                                 << false;
    QTest::newRow("Fatal without internet waits for it")
        << activated << false << "A" << int(VpnState::Fatal) << QStringList() << false << true;
    QTest::newRow("Fatal with internet tries the next server")
        << activated << true << "A" << int(VpnState::Fatal) << QStringList({nextServer, state(Deactivated), Request})
        << false << false;
    QTest::newRow("ConnectedWithError tries the next server")
        << activating << true << "A" << int(VpnState::ConnectedWithError)
        << QStringList({nextServer, state(Deactivated), Request}) << false << false;
    QTest::newRow("ConnectedWithError, no server left")
        << activating << true << "Gone" << int(VpnState::ConnectedWithError)
        << QStringList({Restore, state(Deactivated), "vpnConnectionEpicFail"}) << false << false;
}

void tst_VpnCtl::onVpnState()
{
    QFETCH(QList<int>, setup);
    QFETCH(bool, internet);
    QFETCH(QString, clusterName);
    QFETCH(int, input);
    QFETCH(QStringList, expected);
    QFETCH(bool, waitingBefore);
    QFETCH(bool, waitingAfter);

    feed(setup);
    if (waitingBefore)
        NetworkNotifier::instance()->startWaitingForInternetConnection();
    if (!internet)
        network.reachableHosts.clear();
    ctl->setCurrentCluster(clusterName);

    ctl->onVpnState(VpnState(input));
    // A reactivation comes after its delay, however late the machine lets it be; and
    // nothing else follows within a few times that delay.
    QTRY_COMPARE(log.withoutStatistics(), expected);
    QTest::qWait(5 * ReactivationMs);
    QCOMPARE(log.withoutStatistics(), expected);
    QCOMPARE(watch.isScheduled(Reachability::Internet), waitingAfter);
}

void tst_VpnCtl::authFailureAnswers_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("expected");

    const QString forced = errorInfo(QStringLiteral("forcedActivationFailed"), QString());
    QTest::newRow("password invalid") << int(AnswerPasswordInvalid)
                                      << QStringList({Restore, state(Deactivated), "authenticationFailed"});
    QTest::newRow("password valid: next server")
        << int(AnswerPasswordValid)
        << QStringList({"activatingServerChanged(" + server("a1").host + ")", state(Deactivated), Request});
    QTest::newRow("check failed") << int(AnswerCheckFailed) << QStringList{forced};
    QTest::newRow("unknown answer") << 7 << QStringList{forced};
}

void tst_VpnCtl::authFailureAnswers()
{
    QFETCH(int, answer);
    QFETCH(QStringList, expected);

    ctl->onVpnState(VpnState::Connecting);
    log.entries.clear();
    ctl->onVpnState(VpnState::ConnectionReset);
    QCOMPARE(log.entries, QStringList{"vpnAuthFailed"});
    // openvpn ends after the refusal; the state waits for the client's answer.
    ctl->onVpnStopped();
    QTest::qWait(5 * ReactivationMs);
    QCOMPARE(log.entries, QStringList{"vpnAuthFailed"});
    log.entries.clear();

    ctl->onVpnAuthFailedAnswer(VpnAuthFailedClientAnswer(answer));
    QTRY_COMPARE(log.withoutStatistics(), expected);
    QTest::qWait(5 * ReactivationMs);
    QCOMPARE(log.withoutStatistics(), expected);
}

// The monitor reports openvpn gone while Activated; the real process's end is in
// processDiesWhileActivated.
void tst_VpnCtl::vpnStoppedWhileActivated_data()
{
    QTest::addColumn<bool>("connectionEnabled");
    QTest::addColumn<bool>("routeLost");
    QTest::addColumn<QString>("configMethod");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("waitingAfter");
    QTest::addColumn<bool>("renewsLease");

    QTest::newRow("no enabled connection: wait for internet")
        << false << false << "" << QStringList({Restore, state(Disconnected)}) << true << false;
    QTest::newRow("routing table crashed, DHCP: lease renewed")
        << true << true << "DHCP" << QStringList({Restore, state(Deactivated), state(Deactivated)}) << false << true;
    QTest::newRow("routing table crashed, no repair: nothing reported")
        << true << true << "" << QStringList({Restore, state(Deactivated), state(Deactivated)}) << false << false;
}

void tst_VpnCtl::vpnStoppedWhileActivated()
{
    QFETCH(bool, connectionEnabled);
    QFETCH(bool, routeLost);
    QFETCH(QString, configMethod);
    QFETCH(QStringList, expected);
    QFETCH(bool, waitingAfter);
    QFETCH(bool, renewsLease);

    feed({int(VpnState::Connecting), int(VpnState::Connected)});
    network.linkLocalReachable = connectionEnabled;
    network.configMethod = configMethod;
    if (routeLost)
        QVERIFY(PrivateNamespaces::ip("route del default"));

    ctl->onVpnStopped();
    QTRY_COMPARE(log.withoutStatistics(), expected);
    QTest::qWait(5 * ReactivationMs);
    QCOMPARE(log.withoutStatistics(), expected);
    QCOMPARE(watch.isScheduled(Reachability::Internet), waitingAfter);
    QCOMPARE(network.calls.contains("renewDhcpLease wlan0"), renewsLease);
}

void tst_VpnCtl::deactivate_data()
{
    QTest::addColumn<QList<int>>("setup");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("idle: the state is sent again") << QList<int>() << QStringList{state(Deactivated)};
    QTest::newRow("Activating without an openvpn of ours")
        << QList<int>{int(VpnState::Connecting)} << QStringList({Restore, state(Deactivated)});
    QTest::newRow("Activated without an openvpn of ours")
        << QList<int>{int(VpnState::Connecting), int(VpnState::Connected)}
        << QStringList({Restore, state(Deactivated)});
}

// Deactivating with openvpn running, and a request while Deactivating, are in activation().
void tst_VpnCtl::deactivate()
{
    QFETCH(QList<int>, setup);
    QFETCH(QStringList, expected);

    feed(setup);
    ctl->deactivate();
    QTest::qWait(5 * StatisticsMs);
    QCOMPARE(log.entries, expected);
}

void tst_VpnCtl::reactivate_data()
{
    QTest::addColumn<QList<int>>("setup");
    QTest::addColumn<qulonglong>("delay");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("requested");

    const QList<int> activated{int(VpnState::Connecting), int(VpnState::Connected)};
    QTest::newRow("Activated, 5 s") << activated << 5000ull << QStringList{state(Deactivated)} << true;
    QTest::newRow("Activating, no delay: only stops")
        << QList<int>{int(VpnState::Connecting)} << 0ull << QStringList({Restore, state(Deactivated)}) << false;
    QTest::newRow("idle: nothing") << QList<int>() << 5000ull << QStringList() << false;
    // A delay an int cannot hold must not come back as a short or negative one.
    QTest::newRow("2^32 + 10 ms") << activated << 4294967306ull << QStringList{state(Deactivated)} << false;
    QTest::newRow("largest delay") << activated << qulonglong(ULLONG_MAX) << QStringList{state(Deactivated)} << false;
}

void tst_VpnCtl::reactivate()
{
    QFETCH(QList<int>, setup);
    QFETCH(qulonglong, delay);
    QFETCH(QStringList, expected);
    QFETCH(bool, requested);

    feed(setup);
    QElapsedTimer clock;
    clock.start();
    ctl->reactivate(delay);
    QCOMPARE(log.entries, expected);
    if (requested) {
        QTRY_VERIFY(log.entries.contains(Request));
        QVERIFY(clock.elapsed() >= qint64(delay * TimeScale * TimerTolerance));
    } else {
        QTest::qWait(10 * ReactivationMs);
        QVERIFY(!log.entries.contains(Request));
    }
}

void tst_VpnCtl::localConnectionChanged_data()
{
    QTest::addColumn<QList<int>>("setup");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("secured");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("waitingAfter");

    const QList<int> activated{int(VpnState::Connecting), int(VpnState::Connected)};
    QTest::newRow("idle, unchanged: sent again") << QList<int>() << true << false
                                                 << QStringList{state(Deactivated)} << false;
    QTest::newRow("idle, now secured") << QList<int>() << true << true
                                       << QStringList({Restore, state(StateSecure)}) << false;
    QTest::newRow("idle, connection gone") << QList<int>() << false << false
                                           << QStringList({Restore, state(Disconnected)}) << false;
    QTest::newRow("Activated, connection gone: stop and wait for internet")
        << activated << false << false << QStringList({Restore, state(Disconnected)}) << true;
    QTest::newRow("Activated, connection still there") << activated << true << true << QStringList() << false;
}

void tst_VpnCtl::localConnectionChanged()
{
    QFETCH(QList<int>, setup);
    QFETCH(bool, enabled);
    QFETCH(bool, secured);
    QFETCH(QStringList, expected);
    QFETCH(bool, waitingAfter);

    feed(setup);
    network.linkLocalReachable = enabled;
    setSecured(secured);
    emit NetworkNotifier::instance()->localConnectionIsChanged();
    QCOMPARE(log.withoutStatistics(), expected);
    QCOMPARE(watch.isScheduled(Reachability::Internet), waitingAfter);
}

void tst_VpnCtl::activateOnInternetExisted()
{
    ctl->activateOnInternetExisted();
    QVERIFY(watch.isScheduled(Reachability::Internet));
    QVERIFY(log.entries.isEmpty());
    watch.postInternet(Reachability::Reachable);
    QTRY_COMPARE(log.entries, QStringList{"requestActivationBecauseInternetRestored"});
}

void tst_VpnCtl::nextReconnectionServer()
{
    QCOMPARE(ctl->getNextReconnectionServer(server("a1")), server("a2"));
    QCOMPARE(ctl->getNextReconnectionServer(server("a2")), server("a3"));
    QCOMPARE(log.entries, QStringList({"activatingServerChanged(" + server("a2").host + ")",
                                       "activatingServerChanged(" + server("a3").host + ")"}));
    log.entries.clear();
    // The third failed host ends the series.
    QCOMPARE(ctl->getNextReconnectionServer(server("a3")), VpnServer());
    QVERIFY(log.entries.isEmpty());

    ctl->resetFailedServerList();
    QCOMPARE(log.entries, QStringList{Restore});
    QCOMPARE(ctl->getNextReconnectionServer(server("a2")), server("a1"));
}

// openvpn reports an exit Activated for a reason nobody maps.
void tst_VpnCtl::unexpectedShutdown_data()
{
    QTest::addColumn<bool>("routeLost");
    QTest::addColumn<QString>("configMethod");
    QTest::addColumn<QString>("router");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("routeAfter");
    QTest::addColumn<bool>("renewsLease");

    const QString forced = errorInfo(QStringLiteral("forcedActivationFailed"), QString());
    const QString vpnRoute = "default via " + Gateway + " dev v0";
    QTest::newRow("sound routing table") << false << "DHCP" << "" << QStringList{forced} << vpnRoute << false;
    QTest::newRow("DHCP: lease renewed") << true << "DHCP" << "" << QStringList({Restore, state(Deactivated)})
                                         << QString() << true;
    QTest::newRow("INFORM: lease renewed") << true << "INFORM" << "" << QStringList({Restore, state(Deactivated)})
                                           << QString() << true;
    QTest::newRow("Manual: VPN default route back") << true << "Manual" << Gateway
                                                    << QStringList({Restore, state(Deactivated), Request})
                                                    << vpnRoute << false;
    QTest::newRow("Manual without router") << true << "Manual" << ""
                                           << QStringList({Restore, state(Deactivated), forced}) << QString()
                                           << false;
    QTest::newRow("method spelled otherwise") << true << "dhcp" << ""
                                              << QStringList({Restore, state(Deactivated), forced}) << QString()
                                              << false;
}

void tst_VpnCtl::unexpectedShutdown()
{
    QFETCH(bool, routeLost);
    QFETCH(QString, configMethod);
    QFETCH(QString, router);
    QFETCH(QStringList, expected);
    QFETCH(QString, routeAfter);
    QFETCH(bool, renewsLease);

    feed({int(VpnState::Connecting), int(VpnState::Connected)});
    network.configMethod = configMethod;
    network.router = router;
    if (routeLost)
        QVERIFY(PrivateNamespaces::ip("route del default"));

    ctl->onVpnUnexpectedShutdown(true);
    QCOMPARE(log.withoutStatistics(), expected);
    QCOMPARE(PrivateNamespaces::defaultRoutes().join('\n'), routeAfter);
    QCOMPARE(network.calls.contains("renewDhcpLease wlan0"), renewsLease);

    // The fallback DNS goes back in place once the tunnel is up again after a repair.
    network.calls.clear();
    feed({int(VpnState::Connecting), int(VpnState::Connected)});
    QCOMPARE(network.calls.filter("setDnsServers").size(), routeLost ? 1 : 0);
}

void tst_VpnCtl::dhcpWait_data()
{
    QTest::addColumn<QStringList>("routeChanges");
    QTest::addColumn<bool>("defaultRoute");
    QTest::addColumn<QStringList>("expected");

    const QString forced = errorInfo(QStringLiteral("forcedActivationFailed"), QString());
    // Routes changed during the wait count as a renewal, even when none is left.
    QTest::newRow("routes changed") << QStringList({"route add default via " + Gateway, "route del default"})
                                    << false << QStringList{Request};
    QTest::newRow("no change, default route present") << QStringList() << true << QStringList{Request};
    QTest::newRow("no change, no default route") << QStringList() << false << QStringList{forced};
}

void tst_VpnCtl::dhcpWait()
{
    QFETCH(QStringList, routeChanges);
    QFETCH(bool, defaultRoute);
    QFETCH(QStringList, expected);

    if (!defaultRoute || !routeChanges.isEmpty())
        QVERIFY(PrivateNamespaces::ip("route del default"));
    QElapsedTimer clock;
    clock.start();
    ctl->startWaitingOfDhcpRefreshing();
    if (routeChanges.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(log.entries, expected, 5 * DhcpWaitMs);
        QVERIFY(clock.elapsed() >= qint64(DhcpWaitMs * TimerTolerance));
        return;
    }
    // The route monitor needs a moment to start listening. Once routes changed, only
    // the quiet time after them ends the wait, however long the machine takes.
    QTest::qWait(DhcpWaitMs / 4);
    QVERIFY(PrivateNamespaces::ipBatch(routeChanges));
    QTRY_COMPARE(log.entries, expected);
    // The long wait must not end it a second time.
    QTest::qWait(DhcpWaitMs);
    QCOMPARE(log.entries, expected);
}

OZM_NAMESPACE_TEST_MAIN(tst_VpnCtl, PrivateNamespaces::Options())

#include "tst_VpnCtl.moc"
