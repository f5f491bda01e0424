#include "ServicesBench.h"

#include <ClientAuthData.h>
#include <HttpAccess.h>
#include <HttpCommand.h>

namespace {

QByteArray escaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

} // namespace

ServicesBench::ServicesBench()
{
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    access.reset(new HttpAccess(bench.service->url()));
    account.reset(new ClientAuthData);
    CommandBench::fillAccount(*account);
}

QByteArray ServicesBench::servicesReply(const QList<ServiceRow>& rows)
{
    QByteArray list;
    for (const ServiceRow& row : rows) {
        QByteArray blocks;
        for (const QString& id : row.block)
            blocks += "<element>" + escaped(id) + "</element>";
        list += "<element><id>" + escaped(row.id) + "</id><name>" + escaped(row.name) + "</name><description>About "
            + escaped(row.name) + "</description><active>" + (row.active ? "1" : "0") + "</active><block>" + blocks
            + "</block></element>";
    }
    return CommandBench::resultOf("<services>" + list + "</services>");
}

void ServicesBench::replyServices(const QList<ServiceRow>& rows)
{
    replyServices(servicesReply(rows));
}

void ServicesBench::replyServices(const QByteArray& reply)
{
    bench.service->reply(StandInReply("GET", HttpCommand::ServicePath + "get").xml(reply));
}

void ServicesBench::replySave(const QByteArray& failure)
{
    const QByteArray verdict = failure.isNull()
        ? QByteArray("<status>success</status>")
        : "<status>error</status><statusmsg>" + failure + "</statusmsg>";
    bench.service->reply(StandInReply("GET", HttpCommand::ServicePath + "set").xml("<response><result>" + verdict + "</result></response>"));
}

QList<StandInRequest> ServicesBench::requests(const QString& path) const
{
    QList<StandInRequest> matching;
    for (const StandInRequest& request : bench.service->requests())
        if (request.path == path)
            matching << request;
    return matching;
}

QStringList ServicesBench::switchedOn(const StandInRequest& request)
{
    QStringList ids;
    for (const auto& pair : request.query)
        if (pair.first.startsWith("services[") && pair.first.endsWith(']'))
            ids << pair.first.mid(9, pair.first.size() - 10);
    return ids;
}
