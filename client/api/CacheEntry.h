#pragma once

#include <QByteArray>

// One brand resource as kept on disk: the bytes and the "Last-Modified" value
// the server sent with them (null when it sent none).
struct CacheEntry
{
    QByteArray lastModified;
    QByteArray data;

    // Nothing cached.
    bool isEmpty() const { return data.isEmpty(); }
};
