#include "MonitorProcess.h"

#include <csignal>
#include <sys/prctl.h>

void MonitorProcess::setupChildProcess()
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}
