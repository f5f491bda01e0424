#include "DnsResponder.h"

#include "ScriptProcess.h"

#include <QDebug>

DnsResponder::DnsResponder(const QString& address, const Records& records, Mode mode)
{
    QStringList arguments{QStringLiteral(OZM_DNS_RESPONDER_SCRIPT), QStringLiteral("--listen"), address};
    for (const auto& record : records)
        arguments << QStringLiteral("--record") << record.first + QLatin1Char('=') + record.second.toString();
    if (mode == Silent)
        arguments << QStringLiteral("--silent");
    ready = ScriptProcess::start(process, arguments) && process.readLine().trimmed() == "ready";
    if (!ready)
        qWarning() << "name server on" << address << "did not start";
}

DnsResponder::~DnsResponder()
{
    ScriptProcess::end(process);
}

bool DnsResponder::isRunning() const
{
    return ready && process.state() == QProcess::Running;
}
