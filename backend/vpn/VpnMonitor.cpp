#include "VpnMonitor.h"

#include "openvpn_manager.h"

#include <QDebug>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace {

constexpr int PollIntervalMs = 1000;

} // namespace

VpnMonitor::VpnMonitor()
    : pollTimer(new QTimer)
    , thread(new QThread(this))
{
    thread->setObjectName(QStringLiteral("VpnMonitorThread"));
    static const int threadPointerType = qRegisterMetaType<QThread*>("QThread*");
    Q_UNUSED(threadPointerType)
    pollTimer->moveToThread(thread);
    connect(pollTimer, &QTimer::timeout, pollTimer, [this] { poll(); });
}

VpnMonitor::~VpnMonitor()
{
    stop();
    if (!thread->isRunning())
        thread->start();
    QEventLoop loop;
    connect(pollTimer, &QObject::destroyed, thread, &QThread::quit, Qt::DirectConnection);
    connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    QMetaObject::invokeMethod(pollTimer, "deleteLater", Qt::QueuedConnection);
    loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    // finished() is emitted just before the thread really ends.
    thread->wait();
}

void VpnMonitor::start()
{
    if (pollTimer->isActive())
        return;
    QMetaObject::invokeMethod(pollTimer, "start", Qt::QueuedConnection, Q_ARG(int, PollIntervalMs));
    if (!thread->isRunning())
        thread->start(QThread::LowPriority);
}

void VpnMonitor::stop()
{
    if (pollTimer->isActive())
        QMetaObject::invokeMethod(pollTimer, "stop", Qt::QueuedConnection);
}

void VpnMonitor::emitVpnStarted()
{
    emit vpnStarted();
}

void VpnMonitor::emitVpnStopped()
{
    emit vpnStopped();
}

void VpnMonitor::expectRunning()
{
    QMetaObject::invokeMethod(pollTimer, [this] {
        running = true;
        qDebug() << "VpnMonitor expects running state";
    }, Qt::QueuedConnection);
}

void VpnMonitor::poll()
{
    const bool now = openvpn_manager::isRunning();
    if (now == running)
        return;
    running = now;
    qDebug() << "VpnMonitor signals" << (running ? "running" : "stopped") << "state";
    QMetaObject::invokeMethod(this, running ? "emitVpnStarted" : "emitVpnStopped", Qt::QueuedConnection);
}
