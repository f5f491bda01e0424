#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class QDBusMessage;

// A message bus of the test's own (dbus-daemon, package dbus-daemon) standing in
// for the system bus: nothing said on it reaches the machine's services. It ends
// with the object.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const;
    QString address() const { return m_address; }
    // The connection of that name to this bus, made on first use.
    QDBusConnection connect(const QString& name) const;
    // The bus becomes the system bus of this process and of the programs it
    // starts, for every system bus connection made from now on.
    void becomeSystemBus() const;

    // Sends message from sender and then a marker, and waits until the marker has
    // reached listener. The bus keeps the order of one sender's messages: by then
    // the listener has taken the message or dropped it.
    static bool sendAndSettle(const QDBusConnection& sender, const QDBusMessage& message,
                              const QDBusConnection& listener, int timeoutMs = 3000);

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    // Connections made through connect(), closed with the bus.
    mutable QStringList m_connections;
};
