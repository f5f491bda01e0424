#include "CommandBench.h"

#include <ClientAuthData.h>
#include <HostProbes.h>
#include <HttpCommand.h>

#include <QSignalSpy>

CommandBench::CommandBench()
{
    facts.id = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    setHostFacts(&facts);
    service = std::make_unique<StandInService>();
    access = std::make_unique<HttpAccess>(service->url());
}

bool CommandBench::run(HttpCommand& command)
{
    command.setupRetries(0, 0, 0);
    QSignalSpy completed(&command, &HttpCommand::completed);
    command.execute(access.get());
    return completed.wait(10000) && completed.first().first().toBool();
}

QString CommandBench::lastWire() const
{
    const QList<StandInRequest> received = service->requests();
    if (received.isEmpty())
        return QString();
    const StandInRequest& last = received.last();
    const QString query = QString::fromLatin1(last.rawQuery());
    return last.method == "POST" ? query + QLatin1String(" | ") + QString::fromUtf8(last.body) : query;
}

void CommandBench::reply(const QString& method, const QString& path, const QString& act, const QByteArray& children)
{
    service->reply(StandInReply(method, path).act(act).xml(resultOf(children)));
}

void CommandBench::fillAccount(ClientAuthData& account)
{
    account.setEmail(QStringLiteral("a+b@x.org"));
    account.setPassword(QStringLiteral("Enc+Pw%41"));
    account.setDevName(QStringLiteral("My PC"));
    account.setSerial(QStringLiteral("SER-1"));
}

QByteArray CommandBench::resultOf(const QByteArray& children)
{
    return "<response><result><status>success</status>" + children + "</result></response>";
}
