#include "ScriptProcess.h"

namespace {

constexpr int StartTimeoutMs = 60000;
constexpr int EndTimeoutMs = 10000;

} // namespace

namespace ScriptProcess {

bool start(QProcess& process, const QStringList& scriptAndArguments, const Launcher& launch)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (launch)
        launch(process, QStringLiteral("python3"), scriptAndArguments);
    else
        process.start(QStringLiteral("python3"), scriptAndArguments);
    bool started = process.waitForStarted(StartTimeoutMs);
    while (started && !process.canReadLine())
        started = process.waitForReadyRead(StartTimeoutMs);
    return started;
}

void end(QProcess& process)
{
    process.closeWriteChannel();
    if (!process.waitForFinished(EndTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
}

} // namespace ScriptProcess
