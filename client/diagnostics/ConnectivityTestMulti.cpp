#include "ConnectivityTestMulti.h"

#include "ConnectivityTasks.h"

#include <MainHelpTab.h>

#include <QMutex>

void ConnectivityTestMulti::start()
{
    using namespace ConnectivityTasks;
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    if (results->servers.isEmpty()) {
        emit finished();
        return;
    }
    const Canceled flag = &canceled;
    for (int index = 0; index < results->servers.size(); ++index) {
        schedule(testServerPing, index, flag);
        schedule(testServerRoute, index, flag);
    }
    hMainHelp.state = 2;
}
