#include "execute_manager.h"

#include <QDebug>
#include <QProcess>

namespace {

// Runs the program to completion within the limits. The QProcess dies with this
// call's frame, which kills a program that ignored the terminate request.
bool runAndWait(QProcess& process, const QString& program, const QStringList& arguments, int* exitCode)
{
    process.start(program, arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(execute_manager::StartTimeoutMs)) {
        qWarning() << "Failed to start" << program;
        return false;
    }
    if (!process.waitForFinished(execute_manager::FinishTimeoutMs)) {
        qWarning() << "Terminating process of " << program << "by timeout";
        process.terminate();
        return false;
    }
    if (exitCode)
        *exitCode = process.exitCode();
    return true;
}

} // namespace

bool execute_manager::execute_and_wait(const QString& program, const QStringList& arguments, int* exitCode)
{
    QProcess process;
    return runAndWait(process, program, arguments, exitCode);
}

bool execute_manager::execute_and_get_stdout(QString& output, const QString& program,
                                             const QStringList& arguments, int* exitCode)
{
    QProcess process;
    const bool finished = runAndWait(process, program, arguments, exitCode);
    const QByteArray bytes = process.readAllStandardOutput();
    output = QString::fromUtf8(bytes.constData(), qstrnlen(bytes.constData(), bytes.size()));
    return finished;
}

bool execute_manager::execute_nowait(const QString& program, const QStringList& arguments)
{
    if (!QProcess::startDetached(program, arguments)) {
        qWarning() << "EM: Failed to start" << program;
        return false;
    }
    return true;
}
