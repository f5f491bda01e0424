#include "WebHostStandIn.h"

#include "ScriptProcess.h"

#include <OperatorWebHost.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// One CA for the whole process: the client reads its extra CAs once.
QString certificateFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}

} // namespace

WebHostStandIn::WebHostStandIn(const QString& address, const QString& appFolder,
                               const std::optional<QByteArray>& page, const ScriptProcess::Launcher& launch)
{
    QStringList arguments{QStringLiteral(OZM_WEB_HOST_SCRIPT), QStringLiteral("--cert-dir"), certificateFolder(),
                          QStringLiteral("--listen"), address, QStringLiteral("--name"),
                          QLatin1String(OperatorWebHost)};
    if (page)
        arguments << QStringLiteral("--page") << QString::fromUtf8(*page);
    else
        arguments << QStringLiteral("--stall");
    m_ready = ScriptProcess::start(m_process, arguments, launch) && m_process.readLine().trimmed() == "ready";
    const QString installed = appFolder + QStringLiteral("/certs/web-host-ca.pem");
    m_ready = m_ready && QDir(appFolder).mkpath(QStringLiteral("certs"))
              && (QFile::exists(installed) || QFile::copy(certificateFolder() + QStringLiteral("/ca.pem"), installed));
    if (!m_ready)
        qWarning() << "web host stand-in on" << address << "did not start";
}

WebHostStandIn::~WebHostStandIn()
{
    ScriptProcess::end(m_process);
}

bool WebHostStandIn::isRunning() const
{
    return m_ready && m_process.state() == QProcess::Running;
}

QStringList WebHostStandIn::requests()
{
    m_process.waitForReadyRead(0);
    while (m_process.canReadLine())
        m_requests << QString::fromUtf8(m_process.readLine()).trimmed();
    return m_requests;
}
