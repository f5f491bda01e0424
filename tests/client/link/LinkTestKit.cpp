#include "LinkTestKit.h"

#include <ApiTestKit.h>
#include <Folders.h>
#include <NetworkCtlClient.h>
#include <LinkProtocol.h>
#include <Ozm.h>
#include <OzmCommunicator.h>

#include <QDir>
#include <QPointer>
#include <QTest>

const QString LinkUser::State = QLatin1String(LinkProtocol::Event::ActivationStateChanged);
const QString LinkUser::Network = QLatin1String(LinkProtocol::Event::LocalConnectionIsChanged);

ClientFolders::ClientFolders(const QByteArray& backendScript, const QString& appFolderName)
    : m_appFolderName(appFolderName)
{
    QDir root(m_root.path());
    root.mkdir(appFolderName);
    root.mkdir(QStringLiteral("data"));
    QFile::setPermissions(dataFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!backendScript.isNull())
        writeScript(backendProgram(), backendScript);
    Folders::setAppFolder(appFolder());
    Folders::setAppDataFolder(dataFolder());
}

ClientFolders::~ClientFolders()
{
    Folders::setAppFolder(QString());
    Folders::setAppDataFolder(QString());
}

QString ClientFolders::appFolder() const
{
    return m_root.filePath(m_appFolderName);
}

QString ClientFolders::dataFolder() const
{
    return m_root.filePath(QStringLiteral("data"));
}

QString ClientFolders::backendProgram() const
{
    return appFolder() + QStringLiteral("/ozm_launch");
}

void LinkUser::attach(Ozm& link)
{
    link.registerSignalCallBack(State, this, "onActivationStateChanged");
    link.registerSignalCallBack(Network, this, "onLocalConnectionIsChanged");
    connect(&link, &Ozm::fatalErrorNotConnected, this, [this] { write(QStringLiteral("FATAL"), {}); });
}

bool LinkUser::ask(const QString& name, const QStringList& arguments)
{
    const QByteArray nameBytes = name.toLatin1();
    OzmCommunicator communicator(nameBytes.constData());
    const bool answered = communicator.invoke(QStringList{name} + arguments);
    write(answered ? QStringLiteral("REPLY") : QStringLiteral("NOREPLY"), QStringList{name} + communicator.answer());
    lastAnswer = communicator.answer();
    return answered;
}

void LinkUser::send(const QString& name, const QStringList& arguments)
{
    Ozm* const link = Ozm::inst();
    const QPointer<QObject> receiver(this);
    QMetaObject::invokeMethod(
        link, [link, receiver, lines = QStringList{name} + arguments] { link->sendRequest(lines, receiver, "notify"); },
        Qt::QueuedConnection);
}

bool LinkUser::waitForEntries(int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return journal.size() >= count; }, timeoutMs);
}

QStringList LinkUser::settledJournal(int settleMs) const
{
    for (int seen = -1; seen != journal.size();) {
        seen = journal.size();
        QTest::qWait(settleMs);
    }
    return journal;
}

void LinkUser::onActivationStateChanged()
{
    write(QStringLiteral("STATE"), Ozm::inst()->getLastAnswer(LinkProtocol::Event::ActivationStateChanged));
}

void LinkUser::onLocalConnectionIsChanged()
{
    write(QStringLiteral("NETWORK"), Ozm::inst()->getLastAnswer(LinkProtocol::Event::LocalConnectionIsChanged));
}

void LinkUser::notify(const QStringList& answer)
{
    write(QStringLiteral("ANSWER"), answer);
}

void LinkUser::write(const QString& kind, const QStringList& values)
{
    journal << (QStringList{kind} + values).join(QLatin1Char('|'));
}

QString startLink()
{
    Ozm::initInstance();
    if (!Ozm::inst())
        return QStringLiteral("no link");
    return Ozm::inst()->serviceIsRunning() ? QString() : QStringLiteral("link not running");
}

QStringList heldNetworkReport()
{
    const NetworkCtlClient* const network = NetworkCtlClient::inst();
    QString name;
    WirelessSecurity security = SecurityUnknown;
    bool adapter = false;
    bool power = false;
    network->getWifiStatus(name, security);
    network->getWiFiAdapterStatus(adapter, power);
    return {QString::number(network->currentPhysicalState()),
            QString::number(network->isConnectionSecured()),
            QString::number(network->isConnectionEnabled()),
            network->typeOfNetworkConnection(),
            name,
            QString::number(security),
            QString::number(adapter),
            QString::number(power)};
}
