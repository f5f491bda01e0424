#include "OpenvpnSandbox.h"

#include "DataFile.h"
#include "LocalWait.h"
#include "openvpn_manager.h"
#include "paths.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <unistd.h>

QString OpenvpnSandbox::stubProgram()
{
    return QStringLiteral(OZM_OPENVPN_STUB_PATH);
}

OpenvpnSandbox::OpenvpnSandbox(const QString& program)
{
    realProgram = app.filePath(QStringLiteral("real/openvpn"));
    valid = app.isValid() && data.isValid() && QDir(app.path()).mkdir(QStringLiteral("real"))
        && QFile::copy(program, realProgram)
        && QFile::link(realProgram, appFile(QStringLiteral("openvpn")));
    QFile::setPermissions(realProgram, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                           | QFileDevice::ReadOther | QFileDevice::ExeOther);
    paths::set_app_directory(QDir(app.path()));
    paths::set_app_data_directory(QDir(data.path()));
    valid = DataFile::openFolder(data.path()) && valid;
}

OpenvpnSandbox::~OpenvpnSandbox()
{
    killAll();
}

QString OpenvpnSandbox::appFile(const QString& name) const
{
    return app.filePath(name);
}

QString OpenvpnSandbox::dataFile(const QString& name) const
{
    return data.filePath(name);
}

void OpenvpnSandbox::setStubMode(const QByteArray& mode)
{
    QFile file(appFile(QStringLiteral("openvpn.mode")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(mode + '\n');
}

QStringList OpenvpnSandbox::recordedArguments() const
{
    QFile file(appFile(QStringLiteral("openvpn.args")));
    if (!file.open(QIODevice::ReadOnly))
        return QStringList();
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

pid_t OpenvpnSandbox::startOurs(const QStringList& arguments) const
{
    return startForeign(QStringList{QStringLiteral("--management"), QLatin1String(openvpn_manager::ovpnManagementAddr),
                                    QString::number(openvpn_manager::ovpnManagementPort)}
                        + arguments);
}

pid_t OpenvpnSandbox::startForeign(const QStringList& arguments) const
{
    qint64 pid = 0;
    return QProcess::startDetached(appFile(QStringLiteral("openvpn")), arguments, QString(), &pid) ? pid_t(pid) : 0;
}

QList<pid_t> OpenvpnSandbox::processes() const
{
    QList<pid_t> found;
    const QString program = QFileInfo(realProgram).canonicalFilePath();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isPid = false;
        const pid_t pid = pid_t(entry.toInt(&isPid));
        if (isPid && QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(entry)) == program)
            found << pid;
    }
    return found;
}

void OpenvpnSandbox::killAll()
{
    for (pid_t pid : processes())
        ::kill(pid, SIGKILL);
    QDeadlineTimer deadline(3000);
    while (!processes().isEmpty() && !deadline.hasExpired())
        localWait(20, QEventLoop::AllEvents);
}
