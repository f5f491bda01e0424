#include "ClientSession.h"

#include "Poll.h"

#include <QRegularExpression>

#include <csignal>

ClientSession::ClientSession(const TestBed& bed, const QString& home, const QStringList& arguments)
    : m_bed(bed)
{
    process.setProcessChannelMode(QProcess::MergedChannels);
    bed.startAsUser(process, home, bed.clientProgram(), arguments);
}

ClientSession::~ClientSession()
{
    if (process.state() == QProcess::NotRunning)
        return;
    // The bed's wrapper stands between the process object and the client.
    m_bed.signalProcesses(QStringLiteral("ozm"), SIGTERM);
    if (!process.waitForFinished(30000)) {
        m_bed.signalProcesses(QStringLiteral("ozm"), SIGKILL);
        process.waitForFinished();
    }
}

bool ClientSession::showed(const QString& screen, int timeoutMs)
{
    return !next(QStringLiteral(".*showScreen\\(\\) screen type is ") + QRegularExpression::escape(screen), timeoutMs)
                .isEmpty();
}

bool ClientSession::turned(const QString& state, int timeoutMs)
{
    return !next(QStringLiteral(".*Activation state change: %1 from .*").arg(state), timeoutMs).isEmpty();
}

int ClientSession::exitCode(int timeoutMs)
{
    if (!Poll::until([this] { return process.state() == QProcess::NotRunning; }, timeoutMs))
        return -1;
    readLines();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
