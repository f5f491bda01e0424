#pragma once

#include <QString>
#include <QStringList>

// Runs external programs directly (no shell) with fixed limits: 10000 ms to start,
// 20000 ms to finish. Safe to call from any thread.
class execute_manager
{
public:
    static bool execute_and_wait(const QString& program, const QStringList& arguments, int* exitCode);
    static bool execute_and_get_stdout(QString& output, const QString& program,
                                       const QStringList& arguments, int* exitCode);
    static bool execute_nowait(const QString& program, const QStringList& arguments);

    static constexpr int StartTimeoutMs = 10000;
    static constexpr int FinishTimeoutMs = 20000;
};
