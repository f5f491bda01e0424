#include "Ozm.h"

#include "GuiThreadCall.h"
#include "LinkChannel.h"
#include "LinkHandshake.h"
#include "OzmLogerSocket.h"
#include "ReleasableProcess.h"
#include "SignalCallBackTable.h"

#include <Folders.h>
#include <LinkProtocol.h>

#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QHostAddress>
#include <QThread>
#include <QTimer>

namespace {

QPointer<Ozm> instance;
QPointer<QThread> serviceThread;
QPointer<ReleasableProcess> backendProcess;

// The program itself, not a command line: blanks and quotes in the folder's name
// stay part of the one path.
QString backendProgram()
{
    return QDir::toNativeSeparators(QDir(Folders::app_folder).absoluteFilePath(QStringLiteral("ozm_launch")));
}

void logOutput(BackendLogReader& reader, const QByteArray& bytes)
{
    for (const BackendLogReader::Line& line : reader.feed(bytes))
        BackendLogReader::log(line);
}

} // namespace

Ozm::Ozm()
    : m_control(new QTcpSocket(this))
    , m_logSocket(new OzmLogerSocket)
    , m_logThread(new QThread(this))
    , m_retryTimer(new QTimer(this))
    , m_signals(std::make_shared<SignalCallBackTable>())
{
    m_logThread->setObjectName(QStringLiteral("backend_log_thread"));
    m_retryTimer->setSingleShot(true);
    m_retryTimer->setTimerType(Qt::PreciseTimer);
    m_retryTimer->setInterval(ConnectRetryMs);
    connect(m_retryTimer, &QTimer::timeout, this, [this] { connectSocketToBackend(m_retrying); });
    connect(m_logSocket, &QObject::destroyed, m_logThread, &QThread::quit, Qt::DirectConnection);
}

Ozm::~Ozm()
{
    m_running = false;
    m_retryTimer->stop();
    detachSockets();
    m_control->close();
    if (m_logSocket->thread() == m_logThread) {
        QMetaObject::invokeMethod(m_logSocket, &OzmLogerSocket::closeSlot, Qt::QueuedConnection);
        m_logSocket->deleteLater();
    } else {
        delete m_logSocket;
    }
    m_logThread->wait();
    waitForBackendProcess();
}

void Ozm::initInstance()
{
    if (instance)
        return;
    auto* link = new Ozm;
    instance = link;
    auto* thread = new QThread;
    thread->setObjectName(QStringLiteral("ozm_service_thread"));
    serviceThread = thread;
    link->moveToThread(thread);
    link->m_logSocket->moveToThread(thread);
    connect(link, &QObject::destroyed, thread, &QThread::quit, Qt::DirectConnection);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (!startBackendService())
        return;

    QEventLoop wait;
    connect(link, &Ozm::connected, &wait, &QEventLoop::quit);
    connect(link, &Ozm::fatalErrorNotConnected, &wait, &QEventLoop::quit);
    thread->start();
    QMetaObject::invokeMethod(link, &Ozm::startInstance, Qt::QueuedConnection);
    wait.exec();
}

bool Ozm::startBackendService()
{
    Ozm* const link = instance;
    if (!link)
        return false;
    const QString program = backendProgram();
    if (ReleasableProcess* previous = backendProcess) {
        if (previous->state() != QProcess::NotRunning)
            qCritical().noquote() << "Ozm:" << program << "is still running. Killing...";
        previous->deleteLater();
    }
    auto* process = new ReleasableProcess;
    backendProcess = process;
    qDebug().noquote() << "Ozm: starting backend process:" << program;
    process->setProgram(program);
    process->start(QIODevice::ReadWrite);
    const bool started = process->waitForStarted(BackendStartWaitMs);
    process->moveToThread(link->thread());
    process->setParent(link);
    link->watchBackendProcess(process);
    if (started)
        return true;
    qCritical().noquote() << "Ozm: Cannot launch backend service process:" << process->errorString();
    return false;
}

Ozm* Ozm::inst()
{
    return instance.data();
}

void Ozm::dropInstance()
{
    Ozm* const link = instance;
    if (!link)
        return;
    instance = nullptr;
    QThread* const thread = serviceThread;
    if (!thread || !thread->isRunning()) {
        // The backend never started, so nothing runs the link's thread: the link goes here.
        delete link;
        delete thread;
        return;
    }
    QEventLoop wait;
    connect(thread, &QObject::destroyed, &wait, &QEventLoop::quit);
    link->deleteLater();
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

bool Ozm::serviceIsRunning() const
{
    return m_running;
}

void Ozm::startSocketProcessing()
{
    connect(m_control, &QIODevice::readyRead, this, &Ozm::onReadReady, Qt::UniqueConnection);
    QMetaObject::invokeMethod(this, &Ozm::onReadReady, Qt::QueuedConnection);
}

bool Ozm::registerSignalCallBack(const QString& name, QObject* receiver, const char* method)
{
    return m_signals->add(name, receiver, method);
}

QStringList Ozm::getLastAnswer(const char* name)
{
    return m_signals->lastAnswer(QString::fromLatin1(name));
}

void Ozm::sendRequest(const QStringList& lines, const QPointer<QObject>& callback_object, const char* call_back_method)
{
    const auto answer = [callback_object, call_back_method](const QString&, const QStringList& values) {
        GuiThreadCall::post(callback_object, [call_back_method, values](QObject* receiver) {
            QMetaObject::invokeMethod(receiver, call_back_method, Qt::DirectConnection, Q_ARG(QStringList, values));
        });
    };
    if (!m_channel) {
        answer(QString(), {});
        return;
    }
    m_channel->send(lines.value(0), lines.mid(1), answer);
}

void Ozm::startInstance()
{
    m_logThread->start(QThread::InheritPriority);
    m_connectAttempts = 1;
    m_connecting = true;
    connect(m_logSocket, &QAbstractSocket::connected, this, &Ozm::onSocketConnected);
    connect(m_logSocket, &QAbstractSocket::errorOccurred, this, &Ozm::onSocketConnectError);
    connectLogSocketToBackend();
}

void Ozm::onSocketConnected()
{
    m_logSocket->disconnect(this);
    // Whatever listens here would read the client's folders and later its VPN credentials.
    if (!LinkHandshake::isRootPeer(*m_logSocket)) {
        fail("backend service does not run as root.");
        return;
    }
    connect(m_control, &QAbstractSocket::connected, this, &Ozm::onMainSocketConnected);
    connect(m_control, &QAbstractSocket::errorOccurred, this, &Ozm::onSocketConnectError);
    connectMainSocketToBackend();
}

void Ozm::onMainSocketConnected()
{
    m_connecting = false;
    m_retryTimer->stop();
    m_control->disconnect(this);
    // The backend closes the session when either connection goes.
    if (m_logSocket->state() != QAbstractSocket::ConnectedState) {
        fail(nullptr);
        return;
    }
    connect(m_logSocket, &QAbstractSocket::disconnected, this, &Ozm::onSocketDisconnected);
    connect(m_logSocket, &QIODevice::readyRead, this, &Ozm::onBackendLogReadReady, Qt::DirectConnection);
    runHandshake();
}

void Ozm::runHandshake()
{
    const LinkHandshake::Outcome outcome =
        LinkHandshake::run(*m_control, Folders::app_folder, Folders::app_data_folder);
    if (!outcome.accepted()) {
        fail(outcome.rootPeer ? nullptr : "backend service does not run as root.");
        return;
    }
    const auto isEvent = [this](const QString& name) { return m_signals->contains(name); };
    const auto onEvent = [this](const QString& name, const QStringList& values) { m_signals->store(name, values); };
    const auto onStray = [](const QString& id, const QStringList&) {
        qCritical().noquote() << "ERROR Ozm: communication protocol error 2:" << id;
    };
    m_channel = std::make_unique<LinkChannel>(m_control, QStringLiteral("Ozm"),
                                              LinkChannel::Handlers{isEvent, onEvent, onStray});
    connect(m_control, &QAbstractSocket::disconnected, this, &Ozm::onSocketDisconnected);
    m_running = true;
    m_logSocket->moveToThread(m_logThread);
    // Lines that came during the handshake are read on the log thread from now on.
    QMetaObject::invokeMethod(m_logSocket, "readyRead", Qt::QueuedConnection);
    qDebug() << "Ozm: Successfully connected to backend service.";
    emit connected();
}

void Ozm::fail(const char* reason)
{
    detachSockets();
    m_control->close();
    m_logSocket->close();
    if (reason)
        qCritical().noquote() << "Ozm:" << reason;
    qCritical() << "Ozm: Error connection - backend service reject connection.";
    emit fatalErrorNotConnected();
}

void Ozm::onSocketDisconnected()
{
    if (m_lost)
        return;
    m_lost = true;
    m_running = false;
    detachSockets();
    m_control->close();
    QMetaObject::invokeMethod(m_logSocket, &OzmLogerSocket::closeSlot, Qt::QueuedConnection);
    qCritical() << "Ozm: Backend service unexpectedly disconnected.";
    // Told first, so the application silences the clients before the empty
    // answers reach them: both travel the GUI thread's queue in this order.
    emit fatalErrorNotConnected();
    notifyAllRegisteredCallBacksFail();
}

void Ozm::notifyAllRegisteredCallBacksFail()
{
    m_signals->failAll();
    if (m_channel)
        m_channel->close();
}

// Errors count only while connecting: a connection that breaks later is a lost
// link, not another attempt.
void Ozm::onSocketConnectError(QAbstractSocket::SocketError)
{
    auto* const socket = qobject_cast<QTcpSocket*>(sender());
    if (!m_connecting || !socket || m_retryTimer->isActive())
        return;
    if (m_connectAttempts++ < ConnectAttempts) {
        qDebug().noquote() << "Ozm: socket not connected. Connect retry:" << m_connectAttempts;
        m_retrying = socket;
        m_retryTimer->start();
        return;
    }
    m_connecting = false;
    qCritical().noquote() << "Ozm: Error connect to backend service:" << socket->errorString();
    detachSockets();
    emit fatalErrorNotConnected();
}

void Ozm::connectSocketToBackend(QTcpSocket* socket)
{
    if (!socket)
        return;
    socket->abort();
    socket->connectToHost(QHostAddress(QHostAddress::LocalHost), LinkProtocol::ServicePort, QIODevice::ReadWrite);
}

void Ozm::connectLogSocketToBackend()
{
    connectSocketToBackend(m_logSocket);
}

void Ozm::connectMainSocketToBackend()
{
    connectSocketToBackend(m_control);
}

void Ozm::onReadReady()
{
    if (m_channel && !m_lost)
        m_channel->read();
}

void Ozm::onBackendLogReadReady()
{
    logOutput(m_logReader, m_logSocket->read(m_logSocket->bytesAvailable()));
}

void Ozm::watchBackendProcess(ReleasableProcess* process)
{
    connect(process, &QProcess::readyReadStandardOutput, this,
            [this, process] { logOutput(m_outputReader, process->readAllStandardOutput()); });
    connect(process, &QProcess::readyReadStandardError, this,
            [this, process] { logOutput(m_errorReader, process->readAllStandardError()); });
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            [](int exitCode, QProcess::ExitStatus status) {
                if (status == QProcess::NormalExit)
                    qDebug().noquote() << "Ozm: backend service process ended with exit code" << exitCode;
                else
                    qCritical() << "Ozm: backend service process crashed.";
            });
}

// The backend ends by itself once its client has gone. Its user may not signal it
// (it runs set-uid root), so one that takes longer is let go, not killed.
void Ozm::waitForBackendProcess()
{
    ReleasableProcess* const process = backendProcess;
    if (!process || process->parent() != this || process->state() == QProcess::NotRunning)
        return;
    if (!process->waitForFinished(BackendFinishWaitMs)) {
        qWarning().noquote() << "Ozm: backend service process still running after" << BackendFinishWaitMs
                             << "ms, left to end by itself";
        process->release();
    }
}

void Ozm::detachSockets()
{
    m_control->disconnect(this);
    m_logSocket->disconnect(this);
}
