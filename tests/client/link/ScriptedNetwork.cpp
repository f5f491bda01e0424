#include "ScriptedNetwork.h"

#include <LinkProtocol.h>
#include <NetworkCtlClient.h>
#include <OperatorWebHost.h>
#include <Ozm.h>

#include <QSignalSpy>

const QByteArray ScriptedNetwork::WebHostAddress = "192.0.2.1";

PrivateNamespaces::Options ScriptedNetwork::namespaces()
{
    return PrivateNamespaces::Options()
        .withOwnProcesses()
        .withFile("/etc/hosts", "127.0.0.1 localhost\n" + WebHostAddress + ' ' + OperatorWebHost + '\n')
        .withFile("/etc/nsswitch.conf", "hosts: files\n");
}

ScriptedNetwork::ScriptedNetwork() = default;

ScriptedNetwork::~ScriptedNetwork()
{
    NetworkCtlClient::dropInstance();
    Ozm::dropInstance();
}

QString ScriptedNetwork::start(const std::function<void()>& moreReceivers)
{
    if (!backend.listen())
        return QStringLiteral("the scripted backend cannot listen");
    const QString failure = startLink();
    if (!failure.isEmpty())
        return failure;
    NetworkCtlClient::initInstance(nullptr);
    if (moreReceivers)
        moreReceivers();
    Ozm::inst()->startSocketProcessing();
    return QString();
}

bool ScriptedNetwork::report(const QStringList& values)
{
    QSignalSpy taken(NetworkCtlClient::inst(), &NetworkCtlClient::localConnectionIsChanged);
    backend.sendEvent(QLatin1String(LinkProtocol::Event::LocalConnectionIsChanged), values);
    return taken.wait(5000);
}
