#include "ScriptedNetworkManager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

const QString ScriptedNetworkManager::Service = QStringLiteral("org.freedesktop.NetworkManager");

QVariant ScriptedNetworkManager::path(const QString& objectPath)
{
    return QVariant::fromValue(QDBusObjectPath(objectPath));
}

QVariant ScriptedNetworkManager::paths(const QStringList& objectPaths)
{
    QList<QDBusObjectPath> result;
    for (const QString& p : objectPaths)
        result << QDBusObjectPath(p);
    return QVariant::fromValue(result);
}

QStringList ScriptedNetworkManager::received() const
{
    QMutexLocker lock(&m_mutex);
    return m_received;
}

bool ScriptedNetworkManager::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    const bool isProperty = message.interface() == QLatin1String("org.freedesktop.DBus.Properties");
    const QList<QVariant> arguments = message.arguments();
    const QString key = isProperty ? message.path() + ' ' + arguments.value(0).toString() + ' '
                                         + arguments.value(1).toString()
                                   : message.path() + ' ' + message.interface() + ' ' + message.member();
    QString entry = message.member() + ' ' + key;
    if (isProperty && message.member() == QLatin1String("Set"))
        entry += ' ' + arguments.value(2).value<QDBusVariant>().variant().toString();
    {
        QMutexLocker lock(&m_mutex);
        m_received << entry;
    }
    if (heard)
        heard(entry);
    if (silent)
        return true;
    if (message.member() == QLatin1String("Get") && properties.contains(key))
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(properties.value(key)))));
    else if (message.member() == QLatin1String("Set") || replies.contains(key))
        connection.send(message.createReply(replies.value(key)));
    else
        connection.send(message.createErrorReply(Service + QStringLiteral(".UnknownDevice"), key));
    return true;
}
