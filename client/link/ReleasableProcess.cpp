#include "ReleasableProcess.h"

void ReleasableProcess::release()
{
    setProcessState(QProcess::NotRunning);
}
