#pragma once

#include "LinkMessage.h"

#include <QHash>
#include <functional>

// The backend's handlers by request name; the service fills it, the reader feeds it.
class RequestTable
{
public:
    using Handler = std::function<void(const LinkMessage&)>;

    void add(const QString& name, Handler handler);
    // Names match exactly; an unknown one is logged and gets no reply.
    void dispatch(const LinkMessage& request) const;

private:
    QHash<QString, Handler> m_handlers;
};
