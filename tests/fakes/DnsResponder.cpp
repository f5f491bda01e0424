#include "DnsResponder.h"

#include <QDebug>

namespace {

constexpr int StartTimeoutMs = 30000;

} // namespace

DnsResponder::DnsResponder(const QString& address, const Records& records, Mode mode)
{
    QStringList arguments{QStringLiteral(OZM_DNS_RESPONDER_SCRIPT), QStringLiteral("--listen"), address};
    for (const auto& record : records)
        arguments << QStringLiteral("--record") << record.first + QLatin1Char('=') + record.second.toString();
    if (mode == Silent)
        arguments << QStringLiteral("--silent");
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("python3"), arguments);
    bool started = process.waitForStarted(StartTimeoutMs);
    while (started && !process.canReadLine())
        started = process.waitForReadyRead(StartTimeoutMs);
    ready = started && process.readLine().trimmed() == "ready";
    if (!ready)
        qWarning() << "name server on" << address << "did not start";
}

DnsResponder::~DnsResponder()
{
    // It ends at the end of its input.
    process.closeWriteChannel();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
}

bool DnsResponder::isRunning() const
{
    return ready && process.state() == QProcess::Running;
}
