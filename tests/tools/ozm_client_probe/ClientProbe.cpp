#include "ClientProbe.h"

#include "DiagnosticsProbe.h"
#include "LinkScriptSyntax.h"
#include "StdinLines.h"

#include <ClientAuthData.h>
#include <ClientConfig.h>
#include <HttpAccessCreator.h>
#include <LocationStatusUpdater.h>
#include <NetworkCtlClient.h>
#include <Ozm.h>
#include <OzmCommunicator.h>
#include <PowerNotifier.h>
#include <VpnCtlClient.h>
#include <VpnServerList.h>
#include <WelcomeCtl.h>
#include <WelcomeCtlWiring.h>
#include <WelcomeJournal.h>

ClientProbe::ClientProbe(const Account& account, QObject* parent)
    : QObject(parent)
    , m_account(account)
    , m_out(stdout)
{
    m_out.setCodec("UTF-8");
}

ClientProbe::~ClientProbe() = default;

bool ClientProbe::start()
{
    Ozm::initInstance();
    Ozm* const link = Ozm::inst();
    if (!link || !link->serviceIsRunning()) {
        print(QStringLiteral("LINK"), {QStringLiteral("failed")});
        return false;
    }
    connect(link, &Ozm::fatalErrorNotConnected, this, &ClientProbe::runNext);
    wireClients(*link);
    link->startSocketProcessing();
    print(QStringLiteral("LINK"), {QStringLiteral("connected")});

    auto* input = new StdinLines(this);
    connect(input, &StdinLines::lineRead, this, &ClientProbe::onLine);
    connect(input, &StdinLines::ended, this, [this] { onLine(QStringLiteral("quit")); });
    return true;
}

// The application creates its client objects here, once the link runs and
// before it reads events, so that every event finds its receiver.
void ClientProbe::wireClients(Ozm&)
{
    NetworkCtlClient* const network = NetworkCtlClient::initInstance(this);
    connect(network, &NetworkCtlClient::localConnectionIsChanged, this, [this, network] { printNetwork(*network); });
    PowerNotifier* const power = PowerNotifier::instance();
    connect(power, &PowerNotifier::systemSleep, this, [this] { print(QStringLiteral("POWER"), {"sleep"}); });
    connect(power, &PowerNotifier::systemWake, this, [this] { print(QStringLiteral("POWER"), {"wake"}); });
    wireSession();
}

// The VPN session with what it needs, as the application wires it, and the
// account flow when asked for; without it every request for an activation
// activates.
void ClientProbe::wireSession()
{
    ClientConfig* const config = ClientConfig::instanceClient();
    if (m_account.activateOption >= 0)
        config->setActivateOption(Config::validateActivateOption(m_account.activateOption));
    m_authData.reset(new ClientAuthData);
    m_authData->setEmail(m_account.email);
    m_authData->setPassword(m_account.password);
    if (!m_account.serial.isEmpty())
        m_authData->setSerial(m_account.serial);
    m_access = HttpAccessCreator::serverApi(nullptr);
    m_servers.reset(new VpnServerList);
    m_clientIp.reset(new QString);

    VpnCtlClient* const vpn = VpnCtlClient::initInstance(this);
    vpn->init(m_access, m_authData, m_servers, m_clientIp);
    VpnServerList* const servers = m_servers.data();
    connect(vpn, &VpnCtlClient::serversUpdatedFromSetupConnection, servers, &VpnServerList::set,
            Qt::DirectConnection);
    if (m_account.accountFlow) {
        m_welcome = new WelcomeCtl(this);
        m_welcome->init(m_access, m_authData);
        journalWelcomeCtl(*m_welcome, this, [this](const QString& word) { print(QStringLiteral("WELCOME"), {word}); });
        wireWelcomeCtl(m_welcome, vpn, NetworkCtlClient::inst());
        // As the application's controller: the first configuration ends the
        // first run, and the next start goes straight to the account's profile.
        connect(m_welcome, &WelcomeCtl::configured, config, &ClientConfig::clearFirstRun);
    } else {
        connect(vpn, &VpnCtlClient::activationRequestedByLogic, vpn, &VpnCtlClient::activate);
        connect(vpn, &VpnCtlClient::activationRequestedOnInternetRestored, vpn, &VpnCtlClient::activate);
    }
    connect(vpn, &VpnCtlClient::activationStateChanged, this,
            [this](ActivationState state) { print(QStringLiteral("STATE"), {QString::number(state)}); });
    connect(vpn, &VpnCtlClient::vpnStatisticsUpdated, this, [this](quint64 session, quint64 total) {
        print(QStringLiteral("STATS"), {QString::number(session), QString::number(total)});
    });
    connect(vpn, &VpnCtlClient::activatingServerChanged, this, [this](const VpnServer& server, const QString& cluster) {
        printValues(QStringLiteral("SERVER"), {server.host, cluster});
    });
    const QString failed = QStringLiteral("FAILED");
    connect(vpn, &VpnCtlClient::activationFailed, this,
            [=](const QString& host) { printValues(failed, {"activation", host}); });
    connect(vpn, &VpnCtlClient::forcedActivationFailed, this,
            [=](const QString& host) { printValues(failed, {"forced", host}); });
    connect(vpn, &VpnCtlClient::vpnConnectionEpicFail, this, [=] { print(failed, {"epic"}); });
    connect(vpn, &VpnCtlClient::authenticationFailed, this, [=] { print(failed, {"authentication"}); });
    connect(vpn, &VpnCtlClient::cantEstablishConnection, this, [=] { print(failed, {"network"}); });
    connect(vpn, &VpnCtlClient::deviceNotFound, this, [=] { print(failed, {"device"}); });
    connect(vpn, &VpnCtlClient::connectionToVpnProcessFailed, this, [=] { print(failed, {"openvpn"}); });
    connect(vpn, &VpnCtlClient::subscriptionInactive, this,
            [=](SubscriptionPointer, HttpCommandCode::CommandCode code, const QString& text) {
                printValues(failed, {"inactive", QString::number(code), text});
            });

    m_location = new LocationStatusUpdater(this);
    m_location->init(m_access, m_authData);
    connect(m_location, &LocationStatusUpdater::serversUpdated, servers, &VpnServerList::set);
    connect(vpn, &VpnCtlClient::activationStateChanged, m_location, &LocationStatusUpdater::setActivationState);
    connect(m_location, &LocationStatusUpdater::locationUpdated, this, [this](const Location& location) {
        if (!location.isIdentifying())
            printValues(QStringLiteral("LOCATION"), {location.ip, location.description, location.isoCountryCode});
    });
    connect(servers, &VpnServerList::updated, this, [this, servers] {
        print(QStringLiteral("SERVERS"), {QString::number(servers->allServers().size())});
    });
    // Before any request: building a dialog runs the event loop, where the
    // answer to one would arrive before the link reads its replies.
    if (m_withDiagnostics)
        m_diagnostics = new DiagnosticsProbe(
            m_access, m_authData, m_servers,
            [this](const QString& kind, const QStringList& values) { printValues(kind, values); }, this);
    if (!m_account.email.isEmpty())
        m_location->update();
}

void ClientProbe::printNetwork(const NetworkCtlClient& network)
{
    QString wifiName;
    WirelessSecurity wifiSecurity = SecurityUnknown;
    bool adapter = false;
    bool power = false;
    network.getWifiStatus(wifiName, wifiSecurity);
    network.getWiFiAdapterStatus(adapter, power);
    printValues(QStringLiteral("NETWORK"),
                {QString::number(network.currentPhysicalState()), QString::number(network.isConnectionSecured()),
                 QString::number(network.isConnectionEnabled()), network.typeOfNetworkConnection(), wifiName,
                 QString::number(wifiSecurity), QString::number(adapter), QString::number(power)});
}

void ClientProbe::onLine(const QString& line)
{
    m_input << line;
    runNext();
}

// A request waits in a nested event loop, in which more input may come: lines
// run one at a time, in order, and a lost link is told once the request in hand
// has printed its answer.
void ClientProbe::runNext()
{
    while (!m_busy && !m_finished) {
        if (!Ozm::inst()->serviceIsRunning()) {
            print(QStringLiteral("LINK"), {QStringLiteral("lost")});
            finish(LinkLost);
            return;
        }
        if (m_input.isEmpty())
            return;
        const QString line = m_input.takeFirst();
        const std::optional<QStringList> words = LinkScriptSyntax::split(line);
        if (!words || words->isEmpty())
            print(QStringLiteral("ERROR"), {QStringLiteral("unreadable line:"), line});
        else if (words->first() == QLatin1String("quit") && words->size() == 1)
            finish(Quit);
        else if (words->first() == QLatin1String("request") && words->size() > 1)
            runRequest(words->mid(1));
        else if (!runWelcomeCommand(*words) && !runSessionCommand(*words))
            print(QStringLiteral("ERROR"), {QStringLiteral("unknown command:"), line});
    }
}

void ClientProbe::runRequest(const QStringList& words)
{
    m_busy = true;
    const QByteArray name = words.first().toLatin1();
    OzmCommunicator communicator(name.constData());
    const bool answered = communicator.invoke(words);
    printValues(answered ? QStringLiteral("REPLY") : QStringLiteral("NOREPLY"),
                QStringList{words.first()} + communicator.answer());
    m_busy = false;
}

bool ClientProbe::runSessionCommand(const QStringList& words)
{
    VpnCtlClient* const vpn = VpnCtlClient::inst();
    const QString& name = words.first();
    bool result = false;
    m_busy = true;
    if (words.size() == 1 && name == QLatin1String("activate"))
        result = vpn->activate();
    else if (words.size() == 1 && name == QLatin1String("activate-manual"))
        result = vpn->activateByManualClick();
    else if (words.size() == 1 && name == QLatin1String("deactivate")) {
        // The user's own click: the account flow leaves the VPN off from now on.
        if (m_welcome)
            m_welcome->onDeactivateByManualClick();
        result = vpn->deactivate();
    }
    else if (words.size() == 1 && name == QLatin1String("cancel"))
        vpn->cancelActivate();
    else if (words.size() == 2 && name == QLatin1String("reactivate") && words.at(1).toInt() > 0)
        vpn->reactivate(words.at(1).toInt());
    else if (m_diagnostics && m_diagnostics->run(words)) {
        m_busy = false;
        return true;
    } else
        return m_busy = false;
    m_busy = false;
    if (name.startsWith(QLatin1String("activate")) || name == QLatin1String("deactivate"))
        print(QStringLiteral("RESULT"), {name, result ? QStringLiteral("true") : QStringLiteral("false")});
    return true;
}

bool ClientProbe::runWelcomeCommand(const QStringList& words)
{
    if (!m_welcome)
        return false;
    const QString& name = words.first();
    m_busy = true;
    if (words.size() == 1 && name == QLatin1String("start"))
        m_welcome->start();
    else if (words.size() == 2 && name == QLatin1String("email"))
        m_welcome->onWelcomeEmail(words.at(1));
    else if (words.size() == 4 && name == QLatin1String("device"))
        m_welcome->onWelcomeDevice(words.at(1), words.at(2), words.at(3) == QLatin1String("1"));
    else
        return m_busy = false;
    m_busy = false;
    return true;
}

// A tool leaves nothing behind: the link is dropped, where the application lets
// both connections end with its process.
void ClientProbe::finish(int exitCode)
{
    m_finished = true;
    // The flow goes first: the session's last states must not reach it.
    delete m_welcome;
    m_welcome = nullptr;
    delete m_diagnostics;
    m_diagnostics = nullptr;
    VpnCtlClient::dropInstance();
    NetworkCtlClient::dropInstance();
    Ozm::dropInstance();
    emit finished(exitCode);
}

void ClientProbe::printValues(const QString& kind, const QStringList& values)
{
    QStringList words;
    for (const QString& value : values)
        words << LinkScriptSyntax::quote(value);
    print(kind, words);
}

void ClientProbe::print(const QString& kind, const QStringList& words)
{
    m_out << (QStringList{kind} + words).join(QLatin1Char(' ')) << '\n';
    m_out.flush();
}
