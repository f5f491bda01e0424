#include "RequestTable.h"

#include <QDebug>

void RequestTable::add(const QString& name, Handler handler)
{
    m_handlers.insert(name, std::move(handler));
}

void RequestTable::dispatch(const LinkMessage& request) const
{
    const auto handler = m_handlers.constFind(request.name);
    if (handler == m_handlers.constEnd()) {
        qWarning().noquote() << "BackendService: unknown command" << request.name << "Skipping command.";
        return;
    }
    // A copy, so a handler that changes the table does not pull itself from under its own call.
    const Handler run = *handler;
    run(request);
}
