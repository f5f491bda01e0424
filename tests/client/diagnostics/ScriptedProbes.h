#pragma once

#include <ConnectivityProbes.h>

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <QWaitCondition>

// Network answers from a script, every call noted in order. While held, each
// call waits before it answers until released, so a test can keep tasks
// running while it stops or replaces their run.
class ScriptedProbes : public ConnectivityProbes
{
public:
    // Put in place for the object's life.
    ScriptedProbes();
    ~ScriptedProbes() override;

    // What the system resolver gives for a name.
    QHash<QString, QList<QHostAddress>> systemNames;
    // The names the public name server knows.
    QSet<QString> publicNames;
    QSet<QString> answeringHosts;
    bool httpAnswers = true;
    bool confirmAnswers = true;
    bool wifiPresent = true;
    bool wifiOn = true;

    // "resolve <host>", "nslookup <host> <server>", "ping <host> <count>",
    // "traceroute <host>", "http <ms>", "confirm <ms>", "wifi".
    QStringList calls() const;
    // "ping <host>" prints "<host> answered" or "<host> lost".
    static QString pingOutput(const QString& host, bool answered);

    void hold();
    // Lets the calls waiting now go on; later ones wait while held.
    void releaseWaiting();
    // Lets every call go on, now and later.
    void releaseAll();
    int waiting() const;

    QList<QHostAddress> resolve(const QString& host) override;
    bool nslookup(const QString& host, const QString& nameServer) override;
    bool ping(const QString& host, QString& out, unsigned int count) override;
    QString traceroute(const QString& host) override;
    bool httpTest(int timeoutMs) override;
    bool confirm(int timeoutMs) override;
    void wifiAdapterStatus(bool& present, bool& on) override;

private:
    // The GUI threads calls never wait.
    void called(const QString& call, bool mayWait = true);

    mutable QMutex lock;
    QWaitCondition released;
    QStringList made;
    bool held = false;
    int waitingCalls = 0;
    // Counts releases, so a call knows whether one came since it began to wait.
    int releases = 0;
};
