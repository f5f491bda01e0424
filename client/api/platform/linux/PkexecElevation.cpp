#include "PkexecElevation.h"

#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

Elevation::Outcome PkexecElevation::runAsAdministrator(const QString& program, const QStringList& arguments)
{
    Outcome outcome;
    const QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
    if (pkexec.isEmpty()) {
        outcome.errorOutput = QStringLiteral("pkexec is not installed");
        return outcome;
    }

    QProcess process;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            loop.quit();
    });
    // The window stays drawn while the dialog is up.
    process.start(pkexec, QStringList{program} + arguments);
    limit.start(TimeLimitMs);
    if (process.state() != QProcess::NotRunning)
        loop.exec();

    outcome.output = QString::fromUtf8(process.readAllStandardOutput());
    outcome.errorOutput = QString::fromUtf8(process.readAllStandardError());
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        outcome.errorOutput = QStringLiteral("pkexec got no answer in time");
        return outcome;
    }
    if (process.error() == QProcess::FailedToStart) {
        outcome.errorOutput = process.errorString();
        return outcome;
    }
    outcome.finished = process.exitStatus() == QProcess::NormalExit;
    outcome.exitCode = process.exitCode();
    return outcome;
}
