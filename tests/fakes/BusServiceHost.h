#pragma once

#include <QDBusConnection>
#include <QString>
#include <QThread>

#include <memory>

class QDBusVirtualObject;

// A service on a test's bus, answered by a virtual object on a thread of its
// own: a client that blocks the test's thread in a call still gets its answer.
// The name is given up and the object gone with the host.
class BusServiceHost
{
public:
    BusServiceHost(const QString& busAddress, const QString& serviceName, const QString& path,
                   std::unique_ptr<QDBusVirtualObject> object,
                   QDBusConnection::VirtualObjectRegisterOption option = QDBusConnection::SingleNode);
    ~BusServiceHost();
    BusServiceHost(const BusServiceHost&) = delete;
    BusServiceHost& operator=(const BusServiceHost&) = delete;

    // Connected, with the object and the name registered.
    bool isRunning() const { return m_running; }
    // The service's own connection: what it sends comes from the owner of its name.
    QDBusConnection connection() const;

private:
    const QString m_connectionName;
    const QString m_path;
    QThread m_thread;
    std::unique_ptr<QDBusVirtualObject> m_object;
    bool m_running = false;
};
