#include "ConnectivityTestSingle.h"

#include "ConnectivityProbes.h"
#include "ConnectivityTasks.h"

#include <MainHelpTab.h>

#include <QMutex>

void ConnectivityTestSingle::start()
{
    using namespace ConnectivityTasks;
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    bool wifiPresent = false;
    bool wifiOn = false;
    connectivityProbes().wifiAdapterStatus(wifiPresent, wifiOn);
    const Canceled flag = &canceled;
    schedule(testServiceDnsAndPing, flag);
    schedule(testWiFiAdapter, flag, wifiPresent, wifiOn);
    schedule(testHttp, flag);
    schedule(testNslookup, flag);
    schedule(testPingPublicDns, flag);
    schedule(testServiceConfirm, flag);
    if (!results->servers.isEmpty())
        schedule(testServerPing, 0, flag);
    hMainHelp.state = 1;
}
