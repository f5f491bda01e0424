#pragma once

#include <QProcess>

// A long-running child that must not outlive this program, even when the
// program dies without cleaning up: the kernel ends the child with its parent.
class MonitorProcess : public QProcess
{
    Q_OBJECT
public:
    using QProcess::QProcess;

protected:
    void setupChildProcess() override;
};
