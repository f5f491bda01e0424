#include "ClientProbe.h"

#include "LinkScriptSyntax.h"
#include "StdinLines.h"

#include <NetworkCtlClient.h>
#include <Ozm.h>
#include <OzmCommunicator.h>
#include <PowerNotifier.h>

ClientProbe::ClientProbe(QObject* parent)
    : QObject(parent)
    , m_out(stdout)
{
    m_out.setCodec("UTF-8");
}

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
        else
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

// A tool leaves nothing behind: the link is dropped, where the application lets
// both connections end with its process.
void ClientProbe::finish(int exitCode)
{
    m_finished = true;
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
