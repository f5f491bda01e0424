#pragma once

#include <QProcess>

// A process that can be let go of while its program still runs. The backend runs
// set-uid root: its user can neither signal it nor should wait for it forever, so
// the client leaves it to end by itself instead of killing and reaping it as a
// QProcess would on destruction.
class ReleasableProcess : public QProcess
{
    Q_OBJECT
public:
    using QProcess::QProcess;

    // Forgets the running program; its output is no longer read.
    void release();
};
