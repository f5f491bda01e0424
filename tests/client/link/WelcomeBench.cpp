#include "WelcomeBench.h"

#include <ClientAuthData.h>
#include <ClientConfig.h>
#include <FakePowerPlatform.h>
#include <HttpAccess.h>
#include <LinkProtocol.h>
#include <NetworkCtlClient.h>
#include <PowerNotifier.h>
#include <SharedMetaTypes.h>
#include <VpnCtlClient.h>
#include <VpnServerList.h>
#include <WelcomeCtl.h>
#include <WelcomeCtlWiring.h>
#include "WelcomeJournal.h"

#include <QElapsedTimer>
#include <QTest>

const QStringList WelcomeBench::Wired{"0", "1", "1", "Wired connection", "", "0", "1", "0"};
const QStringList WelcomeBench::OpenWifi{"0", "0", "1", "Unencrypted wireless", "Cafe", "1", "1", "1"};
const QStringList WelcomeBench::Down{"1", "1", "0", "Wired connection", "", "0", "1", "0"};
const QString WelcomeBench::Email = QStringLiteral("ann@example.org");

WelcomeBench::WelcomeBench()
    : access(new HttpAccess(commands.service->url()))
{
    registerSharedMetaTypes();
    PowerNotifier::usePlatform(std::make_unique<FakePowerPlatform>());
}

WelcomeBench::~WelcomeBench() = default;

QString WelcomeBench::start(int activateOption, const QStringList& report)
{
    log = std::make_unique<MessageCapture>();
    commands.service->reset();
    journal.clear();
    held.clear();
    network = std::make_unique<ScriptedNetwork>();
    network->backend.onRequest([this](const LinkMessage& request) {
        if (held.contains(request.name))
            held.value(request.name)(request);
        else if (request.name == LinkProtocol::Request::InitialActivationState)
            network->backend.reply(request, {"2"});
        else
            network->backend.reply(request, {});
    });
    // The client's settings first, as the application has them; they live in
    // the data folder the link's folders name.
    const QString failure = network->start([] {
        ClientConfig::instanceClient();
        VpnCtlClient::initInstance(nullptr);
    });
    if (!failure.isEmpty())
        return failure;
    if (!network->report(report))
        return QStringLiteral("the network report did not arrive");
    ClientConfig::instanceClient()->setActivateOption(Config::ActivateOption(activateOption));

    account.reset(new ClientAuthData);
    servers.reset(new VpnServerList);
    clientIp.reset(new QString);
    VpnCtlClient::inst()->init(access, account, servers, clientIp);
    welcome = makeWelcome ? makeWelcome() : new WelcomeCtl;
    welcome->init(access, account);

    journalWelcomeCtl(*welcome, this, [this](const QString& word) { journal << word; });
    // After the journal: each signal is written down before the session acts on it.
    wireWelcomeCtl(welcome, VpnCtlClient::inst(), NetworkCtlClient::inst());
    return QString();
}

QStringList WelcomeBench::stop()
{
    // The backend confirms a deactivation at quit, so that the wait for it ends.
    held[LinkProtocol::Request::VpnDeactivate] = [this](const LinkMessage& request) {
        network->backend.reply(request, {});
        network->backend.sendEvent(LinkProtocol::Event::ActivationStateChanged, {"2"});
    };
    delete welcome;
    welcome = nullptr;
    VpnCtlClient::dropInstance();
    network.reset();
    account.reset();
    servers.reset();
    Config::drop();
    log.reset();
    return commands.service->violations();
}

QStringList WelcomeBench::acts() const
{
    QStringList found;
    for (const StandInRequest& request : commands.service->requests())
        if (request.path == QLatin1String("/mobile/licMobile"))
            found << request.act;
    return found;
}

QStringList WelcomeBench::backendRequests() const
{
    QStringList names;
    for (const LinkMessage& request : network->backend.requests())
        names << request.name;
    return names;
}

void WelcomeBench::reply(const QString& act, const QByteArray& result, int count)
{
    StandInReply reply("GET", QStringLiteral("/mobile/licMobile"));
    reply.act(act).xml(result.startsWith("<response>") ? result : CommandBench::resultOf(result));
    if (count > 0)
        reply.times(count);
    commands.service->reply(reply);
}

QByteArray WelcomeBench::profile(bool listed, int deviceCount, const QByteArray& more) const
{
    const QByteArray me = account->deviceId().toUtf8();
    QByteArray devices = "<device><devid>OTHER-DEVICE</devid><device_name>Other</device_name></device>";
    QByteArray serials = "<item><serial>" + Email.toUtf8() + "-OTHER-DEVICE</serial></item>";
    if (listed) {
        devices += "<device><devid>" + me + "</devid><device_name>Desk</device_name></device>";
        serials += "<item><serial>" + Email.toUtf8() + "-" + me + "</serial></item>";
    }
    return "<code>701</code><lictype>Premium</lictype><tariff_name>Premium year</tariff_name>"
           "<account_type>1</account_type><not_before>2024-01-01 00:00:00</not_before>"
           "<not_after>2099-12-31 23:59:59</not_after><total_days>365</total_days><left_days>200</left_days>"
           "<days_before_start>0</days_before_start><has_password>1</has_password><existing_device_count>" +
           QByteArray::number(deviceCount) + "</existing_device_count><user_device_limit>5</user_device_limit>"
           "<devlist>" + devices + "</devlist><seriallist>" + serials + "</seriallist>" + more;
}

QByteArray WelcomeBench::error(int code, const QByteArray& text)
{
    return "<response><result><status>error</status><code>" + QByteArray::number(code) + "</code><statusmsg>" +
           text + "</statusmsg></result></response>";
}

void WelcomeBench::knownAccount(bool registered)
{
    ClientConfig::instanceClient()->clearFirstRun();
    account->setEmail(Email);
    account->setPassword(QStringLiteral("ENC-PW"));
    account->setDevName(QStringLiteral("Desk"));
    if (registered)
        account->setMyDeviceRegistered(true);
}

QStringList WelcomeBench::settled(int settleMs) const
{
    QStringList last;
    do {
        last = journal;
        QTest::qWait(settleMs);
    } while (last != journal);
    return journal;
}

int WelcomeBench::logged(const QString& text) const
{
    return log->messages().count(text);
}
