#include "ScriptedNetwork.h"

#include <LinkProtocol.h>
#include <NetworkCtlClient.h>
#include <Ozm.h>

#include <QSignalSpy>

ScriptedNetwork::ScriptedNetwork() = default;

ScriptedNetwork::~ScriptedNetwork()
{
    NetworkCtlClient::dropInstance();
    Ozm::dropInstance();
}

QString ScriptedNetwork::start()
{
    if (!backend.listen())
        return QStringLiteral("the scripted backend cannot listen");
    const QString failure = startLink();
    if (!failure.isEmpty())
        return failure;
    NetworkCtlClient::initInstance(nullptr);
    Ozm::inst()->startSocketProcessing();
    return QString();
}

bool ScriptedNetwork::report(const QStringList& values)
{
    QSignalSpy taken(NetworkCtlClient::inst(), &NetworkCtlClient::localConnectionIsChanged);
    backend.sendEvent(QLatin1String(LinkProtocol::Event::LocalConnectionIsChanged), values);
    return taken.wait(5000);
}
