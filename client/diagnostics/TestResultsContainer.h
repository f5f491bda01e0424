#pragma once

#include "ServerTestRecord.h"

#include <QList>
#include <QMetaType>
#include <QString>

#include <memory>

// Everything one connectivity run finds out. The tasks of a run write it from
// pool threads without a lock, each its own fields or its own record, and the
// record list keeps its size during a run; readers wait for the run's end.
struct TestResultsContainer
{
    bool httpOk = false;
    bool dnsOk = false;
    bool nslookupOk = false;
    bool servicePingOk = false;
    QString servicePingLog;
    bool publicDnsPingOk = false;
    QString publicDnsPingLog;
    bool confirmOk = false;
    bool wifiAdapterPresent = false;
    bool wifiAdapterOn = false;
    // QList holds records this large in nodes of their own, so a task writing
    // one record never moves another.
    QList<ServerTestRecord> servers;

    int getPingOkServers() const;
    // The servers whose ping failed, which is what a caller of this name means.
    int getPingFailedServers() const;
    bool isVpnOk() const;
};

// Handed on through signals; whoever shows or reports a run's results keeps
// them alive for as long as it may read them, past the start of the next run.
using SharedTestResults = std::shared_ptr<TestResultsContainer>;
Q_DECLARE_METATYPE(SharedTestResults)
