#include "BackendCommands.h"

#include <LinkProtocol.h>
#include <MessageWriter.h>
#include <NetworkCtl.h>
#include <VpnAuthData.h>
#include <VpnCtl.h>

#include <QHash>

namespace {

using Handler = QStringList (*)(VpnCtl& vpn, const QStringList& arguments);
using namespace LinkProtocol::Request;

QStringList activateWiFiAdapter(VpnCtl&, const QStringList&)
{
    NetworkCtl::turnon_wifi();
    return {};
}

QStringList activateVpn(VpnCtl& vpn, const QStringList& arguments)
{
    if (arguments.size() == 1)
        vpn.activate(VpnAuthData::fromString(arguments.first()));
    return {};
}

QStringList activateOnInternetExisted(VpnCtl& vpn, const QStringList&)
{
    vpn.activateOnInternetExisted();
    return {};
}

QStringList reactivateVpn(VpnCtl& vpn, const QStringList& arguments)
{
    if (arguments.size() == 1)
        vpn.reactivate(arguments.first().toULongLong(nullptr, 10));
    return {};
}

QStringList resetReconnectionLogic(VpnCtl& vpn, const QStringList&)
{
    vpn.resetFailedServerList();
    return {};
}

QStringList getNextReconnectionServer(VpnCtl& vpn, const QStringList& arguments)
{
    VpnServer next;
    if (arguments.size() == 1)
        next = vpn.getNextReconnectionServer(VpnServer::fromString(arguments.first()));
    return {next.toString()};
}

QStringList onVpnAuthFailedAnswer(VpnCtl& vpn, const QStringList& arguments)
{
    if (arguments.size() == 1)
        vpn.onVpnAuthFailedAnswer(VpnAuthFailedClientAnswer(arguments.first().toInt(nullptr, 10)));
    return {};
}

template<typename Record>
QList<Record> recordsOf(const QString& joined)
{
    QList<Record> records;
    for (const QString& text : LinkProtocol::splitList(joined))
        records.append(Record::fromString(text));
    return records;
}

QStringList setServersList(VpnCtl& vpn, const QStringList& arguments)
{
    if (arguments.size() == 2)
        vpn.setServersList(recordsOf<VpnServer>(arguments.at(0)), recordsOf<VpnCluster>(arguments.at(1)));
    return {};
}

QStringList getInitialActivationState(VpnCtl& vpn, const QStringList&)
{
    return {QString::number(int(vpn.initialActivationState()))};
}

QStringList setCurrentCluster(VpnCtl& vpn, const QStringList& arguments)
{
    if (arguments.size() == 1)
        vpn.setCurrentCluster(arguments.first());
    return {};
}

QStringList deactivate(VpnCtl& vpn, const QStringList&)
{
    vpn.deactivate();
    return {};
}

QStringList updateVpnStatistics(VpnCtl& vpn, const QStringList&)
{
    vpn.updateVpnStatistics();
    return {};
}

const QHash<QString, Handler> COMMANDS = {
    {ActivateWifiAdapter, activateWiFiAdapter},
    {VpnActivate, activateVpn},
    {VpnActivateOnInternetExisted, activateOnInternetExisted},
    {VpnReactivate, reactivateVpn},
    {ResetReconnectionLogic, resetReconnectionLogic},
    {GetNextReconnectionServer, getNextReconnectionServer},
    {OnVpnAuthFailedAnswer, onVpnAuthFailedAnswer},
    {SetServersList, setServersList},
    {InitialActivationState, getInitialActivationState},
    {SetCurrentCluster, setCurrentCluster},
    {VpnDeactivate, deactivate},
    {UpdateVpnStatistics, updateVpnStatistics},
};

} // namespace

RequestTable sessionCommands(QIODevice* control, const QPointer<VpnCtl>& vpn)
{
    RequestTable table;
    // A handler may wait in local event loops (activation does), during which the
    // session can end and its socket be deleted: the reply then has nowhere to go.
    const QPointer<QIODevice> replies(control);
    for (auto command = COMMANDS.cbegin(); command != COMMANDS.cend(); ++command) {
        const Handler handler = command.value();
        table.add(command.key(), [replies, &vpn, handler](const LinkMessage& request) {
            if (!vpn)
                return;
            const QStringList values = handler(*vpn, request.arguments);
            if (replies)
                MessageWriter(replies).writeReply(request.id, values);
        });
    }
    return table;
}
