#pragma once

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

// Who hears of each backend event, and what each event last said. Receivers
// register on the application's thread and read the values there; events are
// stored on the link's thread. Every event reaches its slot with its own values:
// the values a slot reads with lastAnswer() are the ones of the event it is
// called for, even when newer events of that name are already on their way.
class SignalCallBackTable : public std::enable_shared_from_this<SignalCallBackTable>
{
public:
    struct CallBackMethod
    {
        QPointer<QObject> receiver;
        const char* method = nullptr; // a slot without arguments
        QStringList lastAnswer;       // the values of the event the receiver was last called for
        QStringList newest;           // the values of the newest event of the name
    };

    // False when a live receiver has the event already.
    bool add(const QString& name, QObject* receiver, const char* method);
    bool contains(const QString& name) const;
    QStringList lastAnswer(const QString& name) const;

    void store(const QString& name, const QStringList& values);
    // The link is gone: every live receiver is called once more, with no values.
    void failAll();

private:
    void deliver(const QString& name, const CallBackMethod& entry, const QStringList& values);
    void setLastAnswer(const QString& name, const QStringList& values);

    mutable QMutex m_mutex;
    QHash<QString, CallBackMethod> m_entries;
};
