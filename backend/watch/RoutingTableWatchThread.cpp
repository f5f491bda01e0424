#include "RoutingTableWatchThread.h"

#include "MonitorProcess.h"

#include <QDebug>
#include <QRegularExpression>

RoutingTableWatchThread::RoutingTableWatchThread(QObject* parent)
    : QObject(parent)
    , process(new MonitorProcess(this))
{
    connect(process, &QProcess::readyReadStandardOutput, this, &RoutingTableWatchThread::processNotification);
}

RoutingTableWatchThread::~RoutingTableWatchThread()
{
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(1000);
    }
}

void RoutingTableWatchThread::start()
{
    process->start(QStringLiteral("/usr/sbin/ip"), {"-4", "monitor", "route"}, QIODevice::ReadOnly);
    qDebug().noquote() << "Route monitor : started " + QString::number(process->processId());
}

void RoutingTableWatchThread::terminate()
{
    process->terminate();
    qDebug() << "Route monitor : terminated ";
}

// The monitor prints one line per route message: "default via GW dev IF ..." for
// an added or replaced default route, "Deleted default via ..." for a removed one.
void RoutingTableWatchThread::processNotification()
{
    static const QRegularExpression defaultRouteChangedPattern(QStringLiteral("^(Deleted )?default\\b"),
                                                               QRegularExpression::MultilineOption);
    // constData() ends at the first NUL, which is where the text ends.
    const QString chunk = QString::fromLocal8Bit(process->readAllStandardOutput().constData());
    if (!defaultRouteChangedPattern.match(chunk).hasMatch())
        return;
    qDebug().noquote() << "Route monitor: NOTIFICATION FOUND" << chunk.trimmed();
    emit routeChanged();
}
