#include "LinuxInternetReachability.h"

#include "LinuxInterfaces.h"
#include "NetlinkChangeMonitor.h"

#include <QHostInfo>
#include <QProcess>
#include <QRegularExpression>

namespace {
const QString IpTool = QStringLiteral("/usr/sbin/ip");
}

LinuxInternetReachability::LinuxInternetReachability(const QString& webHost, QObject* parent)
    : Reachability(Internet, parent)
    , host(webHost)
    , monitor(new NetlinkChangeMonitor(this))
    , routeLookup(new QProcess(this))
{
    connect(monitor, &NetlinkChangeMonitor::changed, this, &LinuxInternetReachability::evaluate);
    connect(routeLookup, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            &LinuxInternetReachability::onRouteLookedUp);
    connect(routeLookup, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finishEvaluation(0);
    });
}

LinuxInternetReachability::~LinuxInternetReachability()
{
    if (lookupId >= 0)
        QHostInfo::abortHostLookup(lookupId);
    routeLookup->kill();
    routeLookup->waitForFinished(1000);
}

// A wait starts from what holds now: an Internet connection that is already
// there is reported at once rather than at the next change of the network.
bool LinuxInternetReachability::startNotifier()
{
    if (!monitor->open())
        return false;
    QMetaObject::invokeMethod(this, &LinuxInternetReachability::evaluate, Qt::QueuedConnection);
    return true;
}

// An evaluation in flight runs to its end; its result is dropped while stopped.
void LinuxInternetReachability::stopNotifier()
{
    monitor->close();
    changedMeanwhile = false;
}

void LinuxInternetReachability::evaluate()
{
    if (evaluating) {
        changedMeanwhile = true;
        return;
    }
    evaluating = true;
    lookupId = QHostInfo::lookupHost(host, this, &LinuxInternetReachability::onHostLookedUp);
}

void LinuxInternetReachability::onHostLookedUp(const QHostInfo& info)
{
    lookupId = -1;
    for (const QHostAddress& address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            routeLookup->start(IpTool, {"-4", "route", "get", address.toString()}, QIODevice::ReadOnly);
            return;
        }
    }
    finishEvaluation(0);
}

void LinuxInternetReachability::onRouteLookedUp()
{
    const QString route = QString::fromLocal8Bit(routeLookup->readAllStandardOutput());
    if (routeLookup->exitStatus() != QProcess::NormalExit || routeLookup->exitCode() != 0) {
        finishEvaluation(0);
        return;
    }
    static const QRegularExpression device(QStringLiteral("\\bdev\\s+(\\S+)"));
    const QRegularExpressionMatch match = device.match(route);
    const bool overTunnel = match.hasMatch() && LinuxInterfaces::isPointToPoint(match.captured(1));
    finishEvaluation(overTunnel ? (Reachable | TransientConnection) : Reachable);
}

void LinuxInternetReachability::finishEvaluation(quint32 flags)
{
    evaluating = false;
    if (!monitor->isOpen())
        return;
    notify(flags);
    if (changedMeanwhile && monitor->isOpen()) {
        changedMeanwhile = false;
        evaluate();
    }
}
