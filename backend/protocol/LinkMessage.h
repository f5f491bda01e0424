#pragma once

#include <QString>
#include <QStringList>

// One message as it came off the link. Read by the backend it is a request with
// its id; read by a client the first line lands in `name`, which is an event name
// or the id of the request a reply answers, and `id` stays empty.
struct LinkMessage
{
    QString name;
    QString id;
    QStringList arguments;
};
