#include "BackendSession.h"

#include "Poll.h"

#include <LinkProtocol.h>
#include <VpnAuthData.h>

#include <csignal>

BackendSession::BackendSession(TestBed::NameService nameService, TestBed::ProcessView processView)
    : m_bed(nameService, processView)
{
    m_backend.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&m_backend, &QProcess::readyRead, [this] { m_backendOutput += m_backend.readAll(); });
}

BackendSession::~BackendSession()
{
    m_link.reset();
    if (m_backend.state() != QProcess::NotRunning) {
        m_bed.signalProcesses(QStringLiteral("ozm_launch"), SIGTERM);
        m_backend.waitForFinished(5000);
    }
}

QString BackendSession::begin()
{
    QString error = setUp();
    if (error.isEmpty()) {
        startBackend();
        error = openLink();
    }
    return error;
}

QString BackendSession::setUp()
{
    const QString error = m_bed.setUp();
    m_routesBefore = m_bed.routes();
    m_resolvConfBefore = m_bed.resolvConf();
    return error;
}

void BackendSession::startBackend()
{
    m_bed.start(m_backend, m_bed.appDir() + QStringLiteral("/ozm_launch"));
}

bool BackendSession::backendPrinted(const QString& text, int timeoutMs)
{
    return Poll::until([&] { return m_backendOutput.contains(text.toUtf8()); }, timeoutMs);
}

QString BackendSession::openLink()
{
    m_link = std::make_unique<LinkSession>(m_bed);
    if (!m_link->open())
        return QStringLiteral("no session with the backend");
    const auto first = m_link->nextEvent(QLatin1String(LinkProtocol::Event::ActivationStateChanged));
    if (!first)
        return QStringLiteral("no idle state at the start of the session");
    m_idle = ActivationState(first->values.value(0).toInt());
    return {};
}

void BackendSession::activate(const QString& host, const QString& password)
{
    VpnAuthData credentials;
    credentials.host = host;
    credentials.user = TestBed::User;
    credentials.password = password;
    credentials.is_encrypted = true;
    m_link->request(QLatin1String(LinkProtocol::Request::VpnActivate), {credentials.toString()});
}

bool BackendSession::activateAndWait(const QString& host)
{
    const QString stateChanged = QLatin1String(LinkProtocol::Event::ActivationStateChanged);
    activate(host);
    return m_link->nextEvent(stateChanged, {state(Activating)})
        && m_link->nextEvent(stateChanged, {state(Activated)});
}

bool BackendSession::tunnelGone(int timeoutMs)
{
    return Poll::until([this] { return m_bed.pids(QStringLiteral("openvpn")).isEmpty(); }, timeoutMs);
}

int BackendSession::backendExitCode(int timeoutMs)
{
    if (!Poll::until([this] { return m_backend.state() == QProcess::NotRunning; }, timeoutMs))
        return -1;
    return m_backend.exitStatus() == QProcess::NormalExit ? m_backend.exitCode() : -1;
}

QByteArray BackendSession::report() const
{
    QByteArray text = "\n--- link client ---\n";
    if (m_link)
        text += m_link->transcript().toUtf8();
    text += "\n--- backend ---\n";
    text += m_backendOutput;
    return text;
}
