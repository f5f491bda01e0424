#include "ScriptedNetwork.h"

#include <ApiTestKit.h>
#include <ClientAuthData.h>
#include <ClientConfig.h>
#include <CommandBench.h>
#include <FakePowerPlatform.h>
#include <LinkProtocol.h>
#include <LogVPNErrorCommand.h>
#include <PowerNotifier.h>
#include <PrivateNamespaces.h>
#include <SharedMetaTypes.h>
#include <VpnCtlClient.h>
#include <VpnServerList.h>

#include <QDomDocument>
#include <QSettings>
#include <LogVPNErrorCommand.h>
#include <QtTest>

#include <functional>

namespace {

const QStringList Wired{"0", "1", "1", "Wired connection", "", "0", "1", "0"};
const QString Berlin = QStringLiteral("de1.vpn.invalid");
const QString Paris = QStringLiteral("fr1.vpn.invalid");
// The host the stand-in's set-up reply names unless a test scripts another.
const QString ServiceHost = Berlin;
const char* const SetupPath = "/setup_connection";
const char* const MobilePath = "/mobile/licMobile";

QByteArray result(const QByteArray& children)
{
    return CommandBench::resultOf(children);
}

QByteArray errorReply(int code, const QByteArray& text = "refused")
{
    return "<response><result><status>error</status><code>" + QByteArray::number(code) + "</code><statusmsg>" +
           text + "</statusmsg></result></response>";
}

// The profile reply's subscription fields; expired ones end in the past.
QByteArray subscriptionFields(bool expired)
{
    return QByteArray("<lictype>Premium</lictype><tariff_name>Premium year</tariff_name>"
                      "<account_type>1</account_type><not_before>2024-01-01 00:00:00</not_before><not_after>") +
           (expired ? "2024-02-01 00:00:00" : "2099-12-31 23:59:59") +
           "</not_after><total_days>365</total_days><left_days>" + (expired ? "0" : "200") +
           "</left_days><days_before_start>0</days_before_start>";
}

SubscriptionPointer subscription(bool expired)
{
    QDomDocument document;
    document.setContent("<result>" + subscriptionFields(expired) + "</result>");
    return Subscription::fromReply(document.documentElement());
}

// A profile reply in which this device (id) is or is not listed.
QByteArray profileReply(const QString& deviceId, bool listed, bool expired = false, int deviceCount = 1)
{
    const QByteArray device = listed ? deviceId.toUtf8() : QByteArray("SOMEONE-ELSE");
    return result("<code>701</code>" + subscriptionFields(expired) + "<existing_device_count>" +
                  QByteArray::number(deviceCount) + "</existing_device_count><user_device_limit>5</user_device_limit>"
                  "<devlist><device><devid>" + device + "</devid><device_name>Desk</device_name></device></devlist>");
}

QList<VpnServer> servers()
{
    VpnServer berlin;
    berlin.name = QStringLiteral("Berlin 1");
    berlin.host = Berlin;
    VpnServer paris;
    paris.name = QStringLiteral("Paris 1");
    paris.host = Paris;
    return {berlin, paris};
}

QList<VpnCluster> clusters()
{
    VpnCluster europe;
    europe.name = QStringLiteral("Europe");
    europe.servers = QStringList{"Berlin 1", "Paris 1"};
    return {europe};
}

} // namespace

// The VPN session against a scripted backend and the service stand-in: what it
// asks of each, what it signals, what it stores. Signals are journaled as
// words: "STATE n", "LOGIC", "RESTORED", "FAILED host", "FORCED host", "EPIC",
// "AUTH", "NONET", "DEVICE", "OPENVPN", "INACTIVE code text", "STATS s t".
class tst_VpnCtlClient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void tunnelStartsWithTheServicesCredentials();
    void stateRule_data();
    void stateRule();
    void statistics_data();
    void statistics();
    void stateSetDuringTheStatisticsRequestStays();
    void cancelDuringTheActivationChecks();
    void cancelStopsTheServerListRetries();
    void setupFailures_data();
    void setupFailures();
    void heldActivationGoesOnWhenTheInternetReturns();
    void cancelStopsTheRestartOnTheNextServer();
    void backendEvents_data();
    void backendEvents();
    void failuresInARowAreAllReported();
    void quitWhileUpTakesTheTunnelDown();
    void profileCheck_data();
    void profileCheck();
    void profileCheckAfterActivatedEndsWithTheSession();
    void authenticationAnswers_data();
    void authenticationAnswers();
    void sleepAndWake_data();
    void sleepAndWake();

private:
    VpnCtlClient* vpn() const { return VpnCtlClient::inst(); }
    QStringList sent() const;
    QStringList argumentsOf(const QString& name) const;
    QList<StandInRequest> serviceRequests(const QString& path, const QString& act = {}) const;
    // Activated with the tunnel started; empty when it got there.
    QString bringUp();
    // Sends the state and waits until the session changed its own.
    bool backendState(const QString& state);
    bool hasWebHost(bool reachable);

    std::unique_ptr<CommandBench> bench;
    QSharedPointer<HttpAccess> access;
    FakePowerPlatform* power = nullptr;

    std::unique_ptr<MessageCapture> log;
    std::unique_ptr<ScriptedNetwork> network;
    QSharedPointer<ClientAuthData> account;
    QSharedPointer<VpnServerList> serverList;
    QSharedPointer<QString> clientIp;
    QStringList journal;
    QHash<QString, QStringList> answers;
    // Requests the test answers itself, by name.
    QHash<QString, std::function<void(const LinkMessage&)>> held;
    bool webHostUp = false;
};

void tst_VpnCtlClient::initTestCase()
{
    registerSharedMetaTypes();
    auto platform = std::make_unique<FakePowerPlatform>();
    power = platform.get();
    PowerNotifier::usePlatform(std::move(platform));
    // The stand-in first: the first access point takes its CA.
    bench = std::make_unique<CommandBench>();
    access.reset(new HttpAccess(bench->service->url()));
}

void tst_VpnCtlClient::init()
{
    log = std::make_unique<MessageCapture>();
    bench->service->reset();
    journal.clear();
    held.clear();
    answers = {{LinkProtocol::Request::InitialActivationState, {"2"}}};
    network = std::make_unique<ScriptedNetwork>();
    network->backend.onRequest([this](const LinkMessage& request) {
        if (held.contains(request.name))
            held.value(request.name)(request);
        else
            network->backend.reply(request, answers.value(request.name));
    });
    // The total stored by an earlier run of the client.
    ClientConfig::instanceClient()->setTotalBytesServed(1000);
    QCOMPARE(network->start([] { VpnCtlClient::initInstance(nullptr); }), QString());
    QVERIFY(network->report(Wired));

    account.reset(new ClientAuthData);
    CommandBench::fillAccount(*account);
    account->setSubscription(subscription(false));
    serverList.reset(new VpnServerList);
    serverList->set(servers(), clusters());
    clientIp.reset(new QString("203.0.113.9"));
    vpn()->init(access, account, serverList, clientIp);

    VpnCtlClient* const client = vpn();
    connect(client, &VpnCtlClient::activationStateChanged, this,
            [this](ActivationState state) { journal << "STATE " + QString::number(state); });
    connect(client, &VpnCtlClient::activationRequestedByLogic, this, [this] { journal << "LOGIC"; });
    connect(client, &VpnCtlClient::activationRequestedOnInternetRestored, this, [this] { journal << "RESTORED"; });
    connect(client, &VpnCtlClient::activationFailed, this, [this](const QString& host) { journal << "FAILED " + host; });
    connect(client, &VpnCtlClient::forcedActivationFailed, this,
            [this](const QString& host) { journal << "FORCED " + host; });
    connect(client, &VpnCtlClient::vpnConnectionEpicFail, this, [this] { journal << "EPIC"; });
    connect(client, &VpnCtlClient::authenticationFailed, this, [this] { journal << "AUTH"; });
    connect(client, &VpnCtlClient::cantEstablishConnection, this, [this] { journal << "NONET"; });
    connect(client, &VpnCtlClient::deviceNotFound, this, [this] { journal << "DEVICE"; });
    connect(client, &VpnCtlClient::connectionToVpnProcessFailed, this, [this] { journal << "OPENVPN"; });
    connect(client, &VpnCtlClient::subscriptionInactive, this,
            [this](SubscriptionPointer, HttpCommandCode::CommandCode code, const QString& text) {
                journal << QStringLiteral("INACTIVE %1 %2").arg(code).arg(text);
            });
    connect(client, &VpnCtlClient::vpnStatisticsUpdated, this,
            [this](quint64 session, quint64 total) { journal << QStringLiteral("STATS %1 %2").arg(session).arg(total); });
}

void tst_VpnCtlClient::cleanup()
{
    // The backend confirms the deactivation at quit, so that the wait for it ends.
    held[LinkProtocol::Request::VpnDeactivate] = [this](const LinkMessage& request) {
        network->backend.reply(request, {});
        network->backend.sendEvent(LinkProtocol::Event::ActivationStateChanged, {"2"});
    };
    // A report still under way when the session goes is cut off with it; each
    // case lets its reports reach the service first.
    if (VpnCtlClient* const session = VpnCtlClient::inst())
        QTRY_VERIFY_WITH_TIMEOUT(session->findChildren<LogVPNErrorCommand*>().isEmpty(), 30000);
    VpnCtlClient::dropInstance();
    QVERIFY(!VpnCtlClient::inst());
    network.reset();
    Config::drop();
    hasWebHost(false);
    QCOMPARE(bench->service->violations(), QStringList());
    log.reset();
}

QStringList tst_VpnCtlClient::sent() const
{
    QStringList names;
    for (const LinkMessage& request : network->backend.requests())
        names << request.name;
    return names;
}

QStringList tst_VpnCtlClient::argumentsOf(const QString& name) const
{
    const QList<LinkMessage>& requests = network->backend.requests();
    for (auto it = requests.crbegin(); it != requests.crend(); ++it)
        if (it->name == name)
            return it->arguments;
    return {"(not sent)"};
}

QList<StandInRequest> tst_VpnCtlClient::serviceRequests(const QString& path, const QString& act) const
{
    QList<StandInRequest> found;
    for (const StandInRequest& request : bench->service->requests())
        if (request.path == path && request.act == act)
            found << request;
    return found;
}

QString tst_VpnCtlClient::bringUp()
{
    if (!vpn()->activate())
        return QStringLiteral("activate() refused");
    if (!QTest::qWaitFor([this] { return sent().contains(LinkProtocol::Request::VpnActivate); }, 10000))
        return QStringLiteral("no OZM_VPN_ACTIVATE");
    return backendState("4") ? QString() : QStringLiteral("not Activated");
}

bool tst_VpnCtlClient::backendState(const QString& state)
{
    QSignalSpy changed(vpn(), &VpnCtlClient::activationStateChanged);
    network->backend.sendEvent(LinkProtocol::Event::ActivationStateChanged, {state});
    return changed.wait(5000);
}

// The operator's web host on loopback answers the session's Internet check.
bool tst_VpnCtlClient::hasWebHost(bool reachable)
{
    if (reachable == webHostUp)
        return true;
    webHostUp = reachable;
    const QString verb = reachable ? QStringLiteral("add") : QStringLiteral("del");
    return PrivateNamespaces::ipBatch(
        {"addr " + verb + " " + QString::fromLatin1(ScriptedNetwork::WebHostAddress) + "/32 dev lo"});
}

// The service's credentials reach the backend as one record, and the password
// nowhere else.
void tst_VpnCtlClient::tunnelStartsWithTheServicesCredentials()
{
    bench->service->reply(StandInReply("GET", SetupPath)
                              .xml(result("<code>1501</code><glossary><hostname>" + Paris.toUtf8() +
                                          "</hostname><username>vpn-user</username><password>S3cr3t-VPN</password>"
                                          "</glossary><encrypted>1</encrypted>")));
    QVERIFY(vpn()->activateByManualClick());
    QCOMPARE(journal, QStringList{"STATE 3"});
    QTRY_VERIFY(sent().contains(LinkProtocol::Request::VpnActivate));
    QCOMPARE(sent(), (QStringList{"OZM_RESET_RECONNECTION_LOGIC", "OZM_SET_CURRENT_CLUSTER", "OZM_VPN_ACTIVATE"}));
    QCOMPARE(argumentsOf("OZM_VPN_ACTIVATE"),
             QStringList{"<?xml version=\"1.0\"?><VpnAuthData><host>fr1.vpn.invalid</host><user>vpn-user</user>"
                         "<password>S3cr3t-VPN</password><is_encrypted>1</is_encrypted></VpnAuthData>"});
    const QList<StandInRequest> setups = serviceRequests(SetupPath);
    QCOMPARE(setups.size(), 1);
    QVERIFY(setups.first().rawQuery().contains("vpnhost=" + Berlin.toUtf8()));
    QVERIFY(log->messages().contains(
        "VpnConfig: got username vpn-user password *** host fr1.vpn.invalid isEncrypted = true"));
    for (const QString& message : log->messages())
        QVERIFY2(!message.contains("S3cr3t-VPN"), qPrintable(message));

    // A second activation while one is under way, and one while up.
    QVERIFY(vpn()->activate());
    QVERIFY(backendState("4"));
    QVERIFY(!vpn()->activate());
    QCOMPARE(journal, (QStringList{"STATE 3", "STATE 4"}));
}

void tst_VpnCtlClient::stateRule_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("deactivateSent");

    // "3 waiting": Activating while the service has not answered; "3 started":
    // Activating with the credentials at the backend.
    QTest::newRow("idle follows the backend") << "2" << "1" << QStringList{"STATE 1"} << false;
    QTest::newRow("4 to 0 asks the logic a second later") << "4" << "0" << QStringList{"STATE 0", "LOGIC"} << false;
    QTest::newRow("4 to 5") << "4" << "5" << QStringList{"STATE 5"} << false;
    QTest::newRow("waiting ignores an idle report") << "3 waiting" << "2" << QStringList{} << false;
    QTest::newRow("waiting, Disconnected cancels") << "3 waiting" << "0" << QStringList{"STATE 2", "LOGIC"} << false;
    QTest::newRow("started takes the idle report") << "3 started" << "2" << QStringList{"STATE 2"} << false;
    QTest::newRow("started, Disconnected deactivates") << "3 started" << "0" << QStringList{"LOGIC"} << true;
    QTest::newRow("started to 4") << "3 started" << "4" << QStringList{"STATE 4"} << false;
    QTest::newRow("no value: the initial state") << "4" << QString() << QStringList{"STATE 2"} << false;
    QTest::newRow("two values: the initial state") << "4" << "4,4" << QStringList{"STATE 2"} << false;
}

void tst_VpnCtlClient::stateRule()
{
    QFETCH(QString, from);
    QFETCH(QString, event);
    QFETCH(QStringList, expected);
    QFETCH(bool, deactivateSent);

    if (from == "3 waiting") {
        bench->service->reply(StandInReply("GET", SetupPath).stall());
        QVERIFY(vpn()->activate());
    } else if (from == "3 started") {
        QVERIFY(vpn()->activate());
        QTRY_VERIFY(sent().contains(LinkProtocol::Request::VpnActivate));
    } else if (from == "4") {
        QCOMPARE(bringUp(), QString());
    } else {
        QVERIFY(backendState(from));
    }
    QCOMPARE(vpn()->state(), ActivationState(from.left(1).toInt()));
    journal.clear();

    QSignalSpy logic(vpn(), &VpnCtlClient::activationRequestedByLogic);
    network->backend.sendEvent(LinkProtocol::Event::ActivationStateChanged,
                               event.isNull() ? QStringList() : event.split(','));
    if (expected.contains("LOGIC"))
        QVERIFY(logic.wait(5000));
    else if (expected.isEmpty())
        QTest::qWait(300);
    QTRY_COMPARE(journal, expected);
    QCOMPARE(sent().contains(LinkProtocol::Request::VpnDeactivate), deactivateSent);
}

void tst_VpnCtlClient::statistics_data()
{
    // Steps: "state n", "stats in out"; then the signals and the stored total.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<quint64>("stored");

    QTest::newRow("a session ends")
        << QStringList{"stats 100 20", "stats 300 50", "state 2"}
        << QStringList{"STATS 120 1120", "STATS 350 1350", "STATE 2"} << quint64(1350);
    // openvpn counts from zero again after a reconnection.
    QTest::newRow("4 to 3 to 4")
        << QStringList{"stats 500 0", "state 3", "state 4", "stats 10 0", "state 2"}
        << QStringList{"STATS 500 1500", "STATE 3", "STATE 4", "STATS 10 1510", "STATE 2"} << quint64(1510);
    QTest::newRow("lower figures while up")
        << QStringList{"stats 400 0", "stats 30 0", "state 2"}
        << QStringList{"STATS 400 1400", "STATS 30 1430", "STATE 2"} << quint64(1430);
    QTest::newRow("figures while idle count nothing")
        << QStringList{"stats 200 0", "state 2", "stats 200 0", "stats 50 50"}
        << QStringList{"STATS 200 1200", "STATE 2", "STATS 0 1200", "STATS 0 1200"} << quint64(1200);
    QTest::newRow("one value") << QStringList{"stats 7", "state 2"} << QStringList{"STATS 0 1000", "STATE 2"}
                               << quint64(1000);
}

void tst_VpnCtlClient::statistics()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    QFETCH(quint64, stored);

    QCOMPARE(bringUp(), QString());
    journal.clear();
    for (const QString& step : steps) {
        const QStringList words = step.split(' ');
        if (words.first() == "state")
            QVERIFY(backendState(words.at(1)));
        else
            network->backend.sendEvent(LinkProtocol::Event::VpnStatisticsUpdated, words.mid(1));
    }
    QTRY_COMPARE(journal, expected);
    QCOMPARE(Config::instance()->getTotalBytesServed(), stored);
}

// A user's Activate that runs while the idle state's statistics request waits
// is not overwritten by that idle state.
void tst_VpnCtlClient::stateSetDuringTheStatisticsRequestStays()
{
    QCOMPARE(bringUp(), QString());
    held[LinkProtocol::Request::UpdateVpnStatistics] = [this](const LinkMessage& request) {
        held.remove(request.name);
        QMetaObject::invokeMethod(
            this,
            [this, request] {
                vpn()->activate();
                network->backend.reply(request, {});
            },
            Qt::QueuedConnection);
    };
    journal.clear();
    QVERIFY(backendState("2"));
    QTRY_COMPARE(journal, (QStringList{"STATE 2", "STATE 3"}));
    QTRY_VERIFY(sent().count(LinkProtocol::Request::VpnActivate) == 2);
    QCOMPARE(vpn()->state(), Activating);
}

// A Cancel while an activation's own requests wait calls it off: nothing goes
// to the backend for the last session (whose tunnel had started), and the
// service is not asked.
void tst_VpnCtlClient::cancelDuringTheActivationChecks()
{
    QCOMPARE(bringUp(), QString());
    QVERIFY(backendState("2"));
    const int setups = serviceRequests(SetupPath).size();
    bool result = true;
    held[LinkProtocol::Request::ResetReconnectionLogic] = [this, &result](const LinkMessage& request) {
        QMetaObject::invokeMethod(
            this,
            [this, request, &result] {
                result = vpn()->deactivate();
                network->backend.reply(request, {});
            },
            Qt::QueuedConnection);
    };
    journal.clear();
    QVERIFY(!vpn()->activateByManualClick());
    QVERIFY(!result);
    QCOMPARE(journal, QStringList());
    QCOMPARE(vpn()->state(), Deactivated);
    QCOMPARE(sent().count(LinkProtocol::Request::VpnDeactivate), 0);
    QTest::qWait(200);
    QCOMPARE(serviceRequests(SetupPath).size(), setups);
}

// Without servers the activation retries every second, as the user asked it,
// until a Cancel.
void tst_VpnCtlClient::cancelStopsTheServerListRetries()
{
    serverList->set({}, {});
    QTRY_COMPARE(sent().count(LinkProtocol::Request::SetServersList), 1);
    QCOMPARE(argumentsOf("OZM_SET_SERVERS_LIST"), (QStringList{VpnServer().toString(), VpnCluster().toString()}));
    QVERIFY(!vpn()->activateByManualClick());
    QTRY_COMPARE(sent().count(LinkProtocol::Request::ResetReconnectionLogic), 2);
    vpn()->cancelActivate();
    QTest::qWait(2500);
    QCOMPARE(sent().count(LinkProtocol::Request::ResetReconnectionLogic), 2);

    // The list arrives: the retry finds a host.
    QVERIFY(!vpn()->activate());
    serverList->set(servers(), clusters());
    QTRY_COMPARE(vpn()->state(), Activating);
    QCOMPARE(sent().count(LinkProtocol::Request::ResetReconnectionLogic), 2);
    QCOMPARE(journal, QStringList{"STATE 3"});
}

void tst_VpnCtlClient::setupFailures_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("internet");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<int>("state");

    const QStringList start{"OZM_SET_CURRENT_CLUSTER"};
    const QString idle = QStringLiteral("OZM_INITIAL_ACTIVATION_STATE");
    const QString stats = QStringLiteral("OZM_UPDATE_VPN_STATISTICS");
    QTest::newRow("11 authentication") << errorReply(11) << false << QStringList{"STATE 3", "AUTH", "STATE 2"}
                                       << start + QStringList{idle, stats} << 2;
    QTest::newRow("14 device not found") << errorReply(14) << false << QStringList{"STATE 3", "DEVICE", "STATE 2"}
                                         << start + QStringList{idle, stats} << 2;
    QTest::newRow("1512 without Internet")
        << errorReply(1512) << false << QStringList{"STATE 3"}
        << start + QStringList{"OZM_VPN_ACTIVATE_ON_INTERNET_EXISTED"} << 3;
    QTest::newRow("1512 with Internet: the next server")
        << errorReply(1512) << true << QStringList{"STATE 3", "STATE 2", "STATE 3"}
        << start + QStringList{"OZM_GET_NEXT_RECONNECTION_SERVER", idle, stats, "OZM_SET_CURRENT_CLUSTER",
                               "OZM_VPN_ACTIVATE"}
        << 3;
    QTest::newRow("1513 asks the profile")
        << errorReply(1513, "profile not ready") << true
        << QStringList{"STATE 3", "FAILED " + Berlin, "STATE 2", "STATE 3"}
        << start + QStringList{"OZM_GET_NEXT_RECONNECTION_SERVER", idle, stats, "OZM_SET_CURRENT_CLUSTER",
                               "OZM_VPN_ACTIVATE"}
        << 3;
    QTest::newRow("1514 asks the profile") << errorReply(1514) << false << QStringList{"STATE 3", "FAILED " + Berlin}
                                           << start + QStringList{"OZM_VPN_ACTIVATE_ON_INTERNET_EXISTED"} << 3;
    QTest::newRow("-1 without a code")
        << QByteArray("<response><result><status>error</status></result></response>") << false
        << QStringList{"STATE 3", "FAILED " + Berlin, "STATE 2"} << start + QStringList{idle, stats} << 2;
    QTest::newRow("empty credentials")
        << result("<code>1501</code><glossary><hostname>de1.vpn.invalid</hostname><username>u</username>"
                  "<password></password></glossary>")
        << false << QStringList{"STATE 3", "STATE 2", "FAILED " + Berlin} << start + QStringList{idle, stats} << 2;
}

void tst_VpnCtlClient::setupFailures()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, internet);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, requests);
    QFETCH(int, state);

    QVERIFY(hasWebHost(internet));
    bench->service->reply(
        StandInReply("GET", MobilePath).act("profile").xml(profileReply(ClientAuthData().deviceId(), true)));
    answers[LinkProtocol::Request::GetNextReconnectionServer] = QStringList{servers().at(1).toString()};
    bench->service->reply(StandInReply("GET", SetupPath).xml(reply).times(1));
    QVERIFY(vpn()->activate());
    QTRY_COMPARE(sent(), requests);
    QTRY_COMPARE(journal, expected);
    QCOMPARE(int(vpn()->state()), state);
    if (requests.contains("OZM_GET_NEXT_RECONNECTION_SERVER")) {
        QCOMPARE(argumentsOf("OZM_GET_NEXT_RECONNECTION_SERVER"), QStringList{servers().at(0).toString()});
        const QList<StandInRequest> setups = serviceRequests(SetupPath);
        QCOMPARE(setups.size(), 2);
        QVERIFY(setups.last().rawQuery().contains("vpnhost=" + Paris.toUtf8()));
    }
    // Every refusal is reported to the service; empty credentials are no refusal.
    const bool refused = !reply.contains("<status>success");
    QTRY_COMPARE(serviceRequests(MobilePath, "log_vpn_error").size(), refused ? 1 : 0);
    if (refused) {
        const QJsonObject report = serviceRequests(MobilePath, "log_vpn_error").first().json.toArray().first().toObject();
        QCOMPARE(report.value("serverip").toString(), Berlin);
        QCOMPARE(report.value("servername").toString(), QString("Berlin 1"));
        QCOMPARE(report.value("clustername").toString(), QString("Europe"));
    }
}

// Refused with 1512 while the web host was silent, the activation waits for the
// Internet; when it returns the set-up goes on.
void tst_VpnCtlClient::heldActivationGoesOnWhenTheInternetReturns()
{
    bench->service->reply(StandInReply("GET", SetupPath).xml(errorReply(1512)).times(1));
    QVERIFY(vpn()->activate());
    QTRY_VERIFY(sent().contains("OZM_VPN_ACTIVATE_ON_INTERNET_EXISTED"));
    network->backend.sendEvent(LinkProtocol::Event::RequestVpnActivationOnInternetRestore, {});
    QTRY_VERIFY(sent().contains(LinkProtocol::Request::VpnActivate));
    QCOMPARE(serviceRequests(SetupPath).size(), 2);
    QCOMPARE(journal, (QStringList{"STATE 3", "RESTORED"}));
    QCOMPARE(vpn()->state(), Activating);
}

// The next server's activation waits a second; a Cancel meanwhile ends it.
void tst_VpnCtlClient::cancelStopsTheRestartOnTheNextServer()
{
    QVERIFY(hasWebHost(true));
    answers[LinkProtocol::Request::GetNextReconnectionServer] = QStringList{servers().at(1).toString()};
    bench->service->reply(StandInReply("GET", SetupPath).xml(errorReply(1512)).times(1));
    QVERIFY(vpn()->activate());
    QTRY_COMPARE(journal, (QStringList{"STATE 3", "STATE 2"}));
    vpn()->cancelActivate();
    QTest::qWait(VpnCtlClient::NextServerDelayMs + 500);
    QCOMPARE(journal, (QStringList{"STATE 3", "STATE 2"}));
    QCOMPARE(serviceRequests(SetupPath).size(), 1);
}

void tst_VpnCtlClient::backendEvents_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("expected");
    // What the error report to the service says; empty: none goes.
    QTest::addColumn<QString>("report");

    const QString marker = QLatin1String(LinkProtocol::ErrorReportMarker);
    QTest::newRow("activation failed") << "OZM_VPN_ACTIVATION_FAILED" << QStringList{Paris + marker + "TE9H"}
                                       << QStringList{"FAILED " + Paris} << "Unable to start openvpn, vpn log:TE9H";
    QTest::newRow("activation failed without a log")
        << "OZM_VPN_ACTIVATION_FAILED" << QStringList{Paris} << QStringList{"FAILED " + Paris}
        << "Unable to start openvpn, vpn log:";
    QTest::newRow("activation failed, two values") << "OZM_VPN_ACTIVATION_FAILED" << QStringList{Paris, "x"}
                                                   << QStringList{} << "";
    QTest::newRow("forced failure") << "OZM_VPN_FORCED_ACTIVATION_FAILED" << QStringList{Berlin + marker + "QQ=="}
                                    << QStringList{"FORCED " + Berlin} << "Unexpected vpn error, vpn log:QQ==";
    QTest::newRow("epic fail") << "OZM_VPN_CONNECTION_EPIC_FAIL" << QStringList{} << QStringList{"EPIC"}
                               << "attempts to connect to the several VPN servers failed";
    QTest::newRow("authentication") << "OZM_AUTHENTICATION_FAILED" << QStringList{} << QStringList{"AUTH"}
                                    << "VPN authentication error";
    QTest::newRow("openvpn") << "OZM_CONNECTIONTO_VPN_PROCESS_FAILED" << QStringList{} << QStringList{"OPENVPN"}
                             << "Connection to openvpn failed";
    QTest::newRow("logic asks") << "OZM_REQUEST_VPN_ACTIVATION" << QStringList{} << QStringList{"LOGIC"} << "";
    QTest::newRow("server changed") << "OZM_ACTIVATING_SERVER_CHANGED" << QStringList{Paris}
                                    << QStringList{"SERVER " + Paris + " Europe"} << "";
    QTest::newRow("server cleared") << "OZM_ACTIVATING_SERVER_CHANGED" << QStringList{}
                                    << QStringList{"SERVER  "} << "";
}

void tst_VpnCtlClient::backendEvents()
{
    QFETCH(QString, event);
    QFETCH(QStringList, values);
    QFETCH(QStringList, expected);
    QFETCH(QString, report);

    connect(vpn(), &VpnCtlClient::activatingServerChanged, this,
            [this](const VpnServer& server, const QString& cluster) { journal << "SERVER " + server.host + " " + cluster; });
    network->backend.sendEvent(event, values);
    if (expected.isEmpty())
        QTest::qWait(300);
    QTRY_COMPARE(journal, expected);
    QTRY_COMPARE(serviceRequests(MobilePath, "log_vpn_error").size(), report.isEmpty() ? 0 : 1);
    if (!report.isEmpty())
        QCOMPARE(serviceRequests(MobilePath, "log_vpn_error").first().json.toArray().first().toObject()
                     .value("error").toString(),
                 report);
}

// A refused password ends the tunnel and then the session: the second report,
// sent while the first is still under way, leaves the first to arrive.
void tst_VpnCtlClient::failuresInARowAreAllReported()
{
    network->backend.sendEvent("OZM_VPN_FORCED_ACTIVATION_FAILED",
                               {Berlin + QLatin1String(LinkProtocol::ErrorReportMarker) + "QQ=="});
    network->backend.sendEvent("OZM_AUTHENTICATION_FAILED", {});
    QTRY_COMPARE(serviceRequests(MobilePath, "log_vpn_error").size(), 2);
    QStringList errors;
    for (const StandInRequest& report : serviceRequests(MobilePath, "log_vpn_error"))
        errors << report.json.toArray().first().toObject().value("error").toString();
    errors.sort();
    QCOMPARE(errors, (QStringList{"Unexpected vpn error, vpn log:QQ==", "VPN authentication error"}));
}

// At quit the tunnel goes down before the session does; the wait ends with the
// backend's deactivated state.
void tst_VpnCtlClient::quitWhileUpTakesTheTunnelDown()
{
    QCOMPARE(bringUp(), QString());
    held[LinkProtocol::Request::VpnDeactivate] = [this](const LinkMessage& request) {
        network->backend.reply(request, {});
        network->backend.sendEvent(LinkProtocol::Event::ActivationStateChanged, {"2"});
    };
    VpnCtlClient::dropInstance();
    QVERIFY(!VpnCtlClient::inst());
    QCOMPARE(sent().count(LinkProtocol::Request::VpnDeactivate), 1);
    QCOMPARE(journal, (QStringList{"STATE 3", "STATE 4", "STATE 2"}));
}

void tst_VpnCtlClient::profileCheck_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("accountChanged");

    const QString id = ClientAuthData().deviceId();
    QTest::newRow("exchange fails") << QByteArray("not xml at all") << QStringList{"STATE 2", "FAILED " + Berlin} << false;
    QTest::newRow("11") << errorReply(11) << QStringList{"STATE 2", "AUTH"} << false;
    QTest::newRow("14") << errorReply(14) << QStringList{"STATE 2", "DEVICE"} << false;
    QTest::newRow("911") << errorReply(911) << QStringList{"STATE 2", "DEVICE"} << false;
    QTest::newRow("another error, once") << errorReply(10, "oops") << QStringList{"STATE 2", "INACTIVE 10 oops"}
                                         << false;
    QTest::newRow("712 with a valid subscription")
        << QByteArray("<response><result><status>error</status><code>712</code><statusmsg>expired</statusmsg>" +
                      subscriptionFields(false) + "</result></response>")
        << QStringList{"STATE 2", "INACTIVE 712 expired"} << true;
    QTest::newRow("success, expired") << profileReply(id, true, true)
                                      << QStringList{"STATE 2", "INACTIVE 701 "} << true;
    QTest::newRow("success, device limit")
        << profileReply(id, true, false, 6)
        << QStringList{"STATE 2", "INACTIVE -1 Device quota for your subscription is exceeded"} << true;
    QTest::newRow("success, not registered") << profileReply(id, false) << QStringList{"STATE 2", "DEVICE"} << true;
    QTest::newRow("success: the next server")
        << profileReply(id, true) << QStringList{"FAILED " + Berlin, "STATE 2", "STATE 3"} << true;
}

// The set-up refused with 1513 leaves the verdict to the profile.
void tst_VpnCtlClient::profileCheck()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, expected);
    QFETCH(bool, accountChanged);

    QVERIFY(hasWebHost(true));
    answers[LinkProtocol::Request::GetNextReconnectionServer] = QStringList{servers().at(1).toString()};
    account->setMyDeviceRegistered(true);
    const SubscriptionPointer before = account->subscription();
    bench->service->reply(StandInReply("GET", SetupPath).xml(errorReply(1513)).times(1));
    bench->service->reply(StandInReply("GET", MobilePath).act("profile").xml(reply).times(1));
    QVERIFY(vpn()->activate());
    journal.clear();
    QTRY_COMPARE(journal, expected);
    QTest::qWait(100);
    QCOMPARE(journal, expected);
    QCOMPARE(serviceRequests(MobilePath, "profile").size(), 1);
    // Error replies carry no profile.
    QCOMPARE(account->subscription() != before, accountChanged);
}

// Activated without a usable subscription, the profile is asked 3 s later;
// a failed exchange then leaves the tunnel up; a deactivation calls the check off.
void tst_VpnCtlClient::profileCheckAfterActivatedEndsWithTheSession()
{
    account->setSubscription(subscription(true));
    bench->service->reply(StandInReply("GET", MobilePath).act("profile").xml("not xml at all"));
    QCOMPARE(bringUp(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(serviceRequests(MobilePath, "profile").size(), 1, 10000);
    QTest::qWait(300);
    QCOMPARE(vpn()->state(), Activated);
    QCOMPARE(journal, (QStringList{"STATE 3", "STATE 4"}));

    QVERIFY(backendState("5"));
    QVERIFY(vpn()->deactivate());
    QVERIFY(backendState("2"));
    QVERIFY(backendState("4"));
    QVERIFY(backendState("2"));
    QTest::qWait(3500);
    QCOMPARE(serviceRequests(MobilePath, "profile").size(), 1);
}

void tst_VpnCtlClient::authenticationAnswers_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("answer");

    QTest::newRow("2001 valid") << result("<code>2001</code>") << "2";
    QTest::newRow("2010 changed") << result("<code>2010</code>") << "1";
    QTest::newRow("2011 incorrect") << result("<code>2011</code>") << "1";
    QTest::newRow("another code") << result("<code>10</code>") << "0";
    QTest::newRow("exchange fails") << QByteArray("not xml at all") << "0";
}

void tst_VpnCtlClient::authenticationAnswers()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, answer);

    bench->service->reply(StandInReply("GET", MobilePath).act("verify_password").xml(reply));
    // A second report replaces the first check, whose answer never goes.
    network->backend.sendEvent(LinkProtocol::Event::VpnAuthFailed, {});
    network->backend.sendEvent(LinkProtocol::Event::VpnAuthFailed, {});
    QTRY_VERIFY(sent().contains("OZM_ON_VPN_AUTH_FAILED_ANSWER"));
    QTest::qWait(200);
    QCOMPARE(sent().count("OZM_ON_VPN_AUTH_FAILED_ANSWER"), 1);
    QCOMPARE(argumentsOf("OZM_ON_VPN_AUTH_FAILED_ANSWER"), QStringList{answer});
}

void tst_VpnCtlClient::sleepAndWake_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("up") << "4" << QStringList{"OZM_VPN_DEACTIVATE", "OZM_VPN_ACTIVATE_ON_INTERNET_EXISTED"};
    QTest::newRow("deactivating") << "5" << QStringList{};
    QTest::newRow("idle") << "2" << QStringList{};
}

void tst_VpnCtlClient::sleepAndWake()
{
    QFETCH(QString, before);
    QFETCH(QStringList, expected);

    if (before != "2")
        QCOMPARE(bringUp(), QString());
    if (before != "4")
        QVERIFY(backendState(before));
    const int done = network->backend.requests().size();
    power->sleep();
    power->wake();
    QTest::qWait(200);
    QCOMPARE(sent().mid(done), expected);
}

OZM_NAMESPACE_TEST_MAIN(tst_VpnCtlClient, ScriptedNetwork::namespaces())

#include "tst_VpnCtlClient.moc"
