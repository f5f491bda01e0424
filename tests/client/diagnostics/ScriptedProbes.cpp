#include "ScriptedProbes.h"

#include <QMutexLocker>

ScriptedProbes::ScriptedProbes()
{
    setConnectivityProbes(this);
}

ScriptedProbes::~ScriptedProbes()
{
    releaseAll();
    // A newer set may have taken the place already.
    if (&connectivityProbes() == this)
        setConnectivityProbes(nullptr);
}

QStringList ScriptedProbes::calls() const
{
    const QMutexLocker locker(&lock);
    return made;
}

QString ScriptedProbes::pingOutput(const QString& host, bool answered)
{
    return host + (answered ? QStringLiteral(" answered") : QStringLiteral(" lost"));
}

void ScriptedProbes::hold()
{
    const QMutexLocker locker(&lock);
    held = true;
}

void ScriptedProbes::releaseWaiting()
{
    const QMutexLocker locker(&lock);
    ++releases;
    released.wakeAll();
}

void ScriptedProbes::releaseAll()
{
    const QMutexLocker locker(&lock);
    held = false;
    ++releases;
    released.wakeAll();
}

int ScriptedProbes::waiting() const
{
    const QMutexLocker locker(&lock);
    return waitingCalls;
}

void ScriptedProbes::called(const QString& call, bool mayWait)
{
    QMutexLocker locker(&lock);
    made << call;
    if (!held || !mayWait)
        return;
    const int seen = releases;
    ++waitingCalls;
    while (releases == seen)
        released.wait(&lock);
    --waitingCalls;
}

QList<QHostAddress> ScriptedProbes::resolve(const QString& host)
{
    called(QStringLiteral("resolve ") + host);
    return systemNames.value(host);
}

bool ScriptedProbes::nslookup(const QString& host, const QString& nameServer)
{
    called(QStringLiteral("nslookup %1 %2").arg(host, nameServer));
    return publicNames.contains(host);
}

bool ScriptedProbes::ping(const QString& host, QString& out, unsigned int count)
{
    called(QStringLiteral("ping %1 %2").arg(host).arg(count));
    const bool answered = answeringHosts.contains(host);
    out = pingOutput(host, answered);
    return answered;
}

QString ScriptedProbes::traceroute(const QString& host)
{
    called(QStringLiteral("traceroute ") + host);
    return QStringLiteral("trace to ") + host;
}

bool ScriptedProbes::httpTest(int timeoutMs)
{
    called(QStringLiteral("http %1").arg(timeoutMs));
    return httpAnswers;
}

bool ScriptedProbes::confirm(int timeoutMs)
{
    called(QStringLiteral("confirm %1").arg(timeoutMs));
    return confirmAnswers;
}

void ScriptedProbes::wifiAdapterStatus(bool& present, bool& on)
{
    called(QStringLiteral("wifi"), false);
    present = wifiPresent;
    on = wifiOn;
}
