#include "BedNetworkManager.h"

#include "Poll.h"
#include "TestBed.h"

BedNetworkManager::BedNetworkManager(const TestBed& bed)
{
    // The program inherits this process's environment: an address of another
    // system bus there would take it away from the bed's.
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    m_busListens = bed.startSystemBus(m_bus);
    if (!m_busListens)
        return;
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bed.start(m_program, QStringLiteral(OZM_SCRIPTED_NM));
}

BedNetworkManager::~BedNetworkManager()
{
    if (m_program.state() != QProcess::NotRunning && !ends()) {
        m_program.kill();
        m_program.waitForFinished();
    }
    m_bus.kill();
    m_bus.waitForFinished();
}

bool BedNetworkManager::isReady()
{
    return m_busListens && heard(QStringLiteral("READY"));
}

bool BedNetworkManager::heard(const QString& line, int timeoutMs)
{
    return Poll::until(
        [&] {
            while (m_program.canReadLine())
                m_said << QString::fromUtf8(m_program.readLine()).trimmed();
            return m_said.contains(line);
        },
        timeoutMs);
}

bool BedNetworkManager::ends()
{
    m_program.closeWriteChannel();
    return m_program.waitForFinished(20000) && m_program.exitStatus() == QProcess::NormalExit
        && m_program.exitCode() == 0;
}
