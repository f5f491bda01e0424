#pragma once

#include <QDBusVirtualObject>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QStringList>
#include <QVariant>

#include <functional>

// Answers as NetworkManager would, from tables the test edits while no client
// is calling; registered with SubPath on "/org/freedesktop" and hosted by a
// BusServiceHost under the name "org.freedesktop.NetworkManager".
class ScriptedNetworkManager : public QDBusVirtualObject
{
public:
    static const QString Service;

    // Property values that are object paths, as NetworkManager gives them.
    static QVariant path(const QString& objectPath);
    static QVariant paths(const QStringList& objectPaths);

    // "object interface property" -> value
    QMap<QString, QVariant> properties;
    // "object interface method" -> reply arguments
    QMap<QString, QList<QVariant>> replies;
    // Takes every call and answers none.
    bool silent = false;
    // Told of each call as received() notes it, on the thread that answers.
    std::function<void(const QString& entry)> heard;

    // One entry a call: the method, then "object interface method", or for the
    // property calls "object interface property", and for Set the value given.
    QStringList received() const;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    mutable QMutex m_mutex;
    QStringList m_received;
};
