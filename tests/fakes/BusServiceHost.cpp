#include "BusServiceHost.h"

#include <QDBusVirtualObject>

BusServiceHost::BusServiceHost(const QString& busAddress, const QString& serviceName, const QString& path,
                               std::unique_ptr<QDBusVirtualObject> object,
                               QDBusConnection::VirtualObjectRegisterOption option)
    : m_connectionName(serviceName + QLatin1Char('@') + busAddress)
    , m_path(path)
    , m_object(std::move(object))
{
    QDBusConnection bus = QDBusConnection::connectToBus(busAddress, m_connectionName);
    m_thread.setObjectName(serviceName);
    m_thread.start();
    m_running = bus.isConnected() && bus.registerVirtualObject(path, m_object.get(), option);
    m_object->moveToThread(&m_thread);
    m_running = m_running && bus.registerService(serviceName);
}

BusServiceHost::~BusServiceHost()
{
    // The connection is closed later on its own thread, and closing looks at every
    // object still registered: the object must be off the connection before it goes.
    QDBusConnection(m_connectionName).unregisterObject(m_path);
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_thread.quit();
    m_thread.wait();
}

QDBusConnection BusServiceHost::connection() const
{
    return QDBusConnection(m_connectionName);
}
