#include "SignalCallBackTable.h"

#include "GuiThreadCall.h"

#include <QDebug>

bool SignalCallBackTable::add(const QString& name, QObject* receiver, const char* method)
{
    QMutexLocker lock(&m_mutex);
    CallBackMethod& entry = m_entries[name];
    if (entry.receiver) {
        qCritical().noquote() << "Ozm: cannot register" << name << "callback twice!";
        return false;
    }
    qDebug().noquote() << "Ozm: registered callback for" << name;
    entry.receiver = receiver;
    entry.method = method;
    if (!entry.newest.isEmpty())
        deliver(name, entry, entry.newest);
    return true;
}

bool SignalCallBackTable::contains(const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    return m_entries.contains(name);
}

QStringList SignalCallBackTable::lastAnswer(const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    return m_entries.value(name).lastAnswer;
}

void SignalCallBackTable::store(const QString& name, const QStringList& values)
{
    QMutexLocker lock(&m_mutex);
    CallBackMethod& entry = m_entries[name];
    entry.newest = values;
    if (entry.receiver)
        deliver(name, entry, values);
    else
        entry.lastAnswer = values;
}

void SignalCallBackTable::failAll()
{
    QMutexLocker lock(&m_mutex);
    for (auto entry = m_entries.begin(); entry != m_entries.end(); ++entry) {
        entry->newest.clear();
        if (entry->receiver)
            deliver(entry.key(), *entry, {});
        else
            entry->lastAnswer.clear();
    }
}

void SignalCallBackTable::deliver(const QString& name, const CallBackMethod& entry, const QStringList& values)
{
    const std::weak_ptr<SignalCallBackTable> table = weak_from_this();
    const char* const method = entry.method;
    GuiThreadCall::post(entry.receiver, [table, name, values, method](QObject* receiver) {
        // Once the link is dropped there is nothing left to read the values from.
        const std::shared_ptr<SignalCallBackTable> alive = table.lock();
        if (!alive)
            return;
        alive->setLastAnswer(name, values);
        QMetaObject::invokeMethod(receiver, method, Qt::DirectConnection);
    });
}

void SignalCallBackTable::setLastAnswer(const QString& name, const QStringList& values)
{
    QMutexLocker lock(&m_mutex);
    m_entries[name].lastAnswer = values;
}
