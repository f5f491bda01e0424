#include "ServiceTestKit.h"

#include <LinkHandshake.h>
#include <LinkProtocol.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QTest>

#include <csignal>

InstalledBackend::InstalledBackend()
{
    QDir top(root.path());
    top.mkpath("app");
    top.mkpath("data");
    QFile::setPermissions(dataDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::copy(QStringLiteral(OZM_LAUNCH), launcher());
    QFile::link("/usr/sbin/openvpn", path("app/openvpn"));
    for (const char* script : {"vpn-up-mac", "vpn-down-mac.sh"}) {
        QFile file(path("app/") + script);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n");
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    }
    QProcess openssl;
    openssl.setStandardErrorFile(QProcess::nullDevice());
    openssl.start("/usr/bin/openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                                       "-keyout", "/dev/null", "-subj", "/CN=ozm-test-ca", "-days", "1", "-out",
                                       path("app/cachain.pem")});
    openssl.waitForFinished(10000);
}

QString openVpnProcess(const QString& dataDir)
{
    QFile pidFile(dataDir + "/openvpn.pid");
    if (!pidFile.open(QIODevice::ReadOnly))
        return QString();
    const QString process = "/proc/" + QString::fromLatin1(pidFile.readAll().trimmed());
    return isOpenVpn(process) ? process : QString();
}

bool isOpenVpn(const QString& process)
{
    return QFileInfo(process + "/exe").symLinkTarget() == "/usr/sbin/openvpn";
}

void killOpenVpn(const QString& dataDir)
{
    const QString process = openVpnProcess(dataDir);
    if (!process.isEmpty())
        ::kill(pid_t(QFileInfo(process).fileName().toInt()), SIGKILL);
}

BackendProcess::BackendProcess(const InstalledBackend& installed, const QStringList& launchedThrough)
{
    process.setReadChannel(QProcess::StandardError);
    const QStringList command = launchedThrough + QStringList{installed.launcher()};
    process.start(command.first(), command.mid(1));
}

BackendProcess::~BackendProcess()
{
    if (isRunning()) {
        process.kill();
        process.waitForFinished(5000);
    }
}

QString BackendProcess::standardError()
{
    errors += process.readAllStandardError();
    return QString::fromUtf8(errors);
}

bool BackendProcess::waitUntilListening()
{
    const QDeadlineTimer deadline(10000);
    while (!standardError().contains("BackendService: Service started: 127.0.0.1:10014\n")) {
        if (deadline.hasExpired() || !isRunning())
            return false;
        process.waitForReadyRead(int(deadline.remainingTime()));
    }
    return true;
}

bool BackendProcess::waitForExit(int ms)
{
    return !isRunning() || process.waitForFinished(ms);
}

void BackendProcess::signal(int number)
{
    if (isRunning())
        ::kill(pid_t(process.processId()), number);
}

QString BackendProcess::procFolder() const
{
    return isRunning() ? QStringLiteral("/proc/%1").arg(process.processId()) : QString();
}

QString BackendProcess::childProcess() const
{
    QFile children(procFolder() + QStringLiteral("/task/%1/children").arg(process.processId()));
    if (!children.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray first = children.readAll().split(' ').value(0).trimmed();
    return first.isEmpty() ? QString() : "/proc/" + QString::fromLatin1(first);
}

bool BackendProcess::isRunning() const
{
    return process.state() != QProcess::NotRunning;
}

int BackendProcess::exitCode() const
{
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool LinkPeer::connectLog()
{
    log.connectToHost(QHostAddress::LocalHost, LinkProtocol::ServicePort);
    return log.waitForConnected(5000);
}

bool LinkPeer::connectControl()
{
    control.connectToHost(QHostAddress::LocalHost, LinkProtocol::ServicePort);
    return control.waitForConnected(5000);
}

void LinkPeer::send(const QStringList& lines)
{
    control.write((lines.join('\n') + '\n').toUtf8());
    control.waitForBytesWritten(5000);
}

bool LinkPeer::readLine(QString& line, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!control.canReadLine()) {
        if (deadline.hasExpired() || !control.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    line = QString::fromUtf8(control.readLine()).chopped(1);
    return true;
}

QString LinkPeer::handshake(const QString& appDir, const QString& dataDir)
{
    return LinkHandshake::run(control, appDir, dataDir, 5000).verdict.value_or(QString());
}

bool LinkPeer::readUntil(const std::function<bool()>& done, int ms)
{
    const QDeadlineTimer deadline(ms);
    for (;;) {
        channel.read();
        if (done())
            return true;
        if (deadline.hasExpired() || !control.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
}

LinkMessage LinkPeer::nextMessage(int ms)
{
    readUntil([this] { return !messages.isEmpty(); }, ms);
    return messages.isEmpty() ? LinkMessage() : messages.takeFirst();
}

QStringList LinkPeer::request(const QString& name, const QStringList& arguments, QStringList* events)
{
    auto reply = std::make_shared<std::optional<QStringList>>();
    channel.send(name, arguments, [reply](const QString&, const QStringList& values) { *reply = values; });
    if (!readUntil([&] { return reply->has_value(); }, 5000))
        return {"no reply"};
    for (const LinkMessage& message : std::exchange(messages, {})) {
        if (events)
            events->append(message.name);
    }
    return **reply;
}

QByteArray LinkPeer::readControlUntilClosed(int ms)
{
    waitUntilClosed(control, ms);
    return control.readAll();
}

bool LinkPeer::waitForLogLine(const QString& line, int ms)
{
    const QDeadlineTimer deadline(ms);
    for (;;) {
        while (log.canReadLine())
            logLines.append(QString::fromUtf8(log.readLine()).chopped(1));
        if (logLines.contains(line))
            return true;
        if (deadline.hasExpired() || !log.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
}

bool LinkPeer::waitUntilClosed(QTcpSocket& socket, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (socket.state() == QAbstractSocket::ConnectedState) {
        if (deadline.hasExpired())
            return false;
        socket.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 100)));
    }
    return true;
}
