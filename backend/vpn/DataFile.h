#pragma once

#include <QByteArray>
#include <QString>

// Files in the user's data folder, handled by a root process: the user owns the
// folder and may plant links there, so nothing here follows a symbolic link and
// nothing reads from anything but a regular file.
class DataFile
{
public:
    // The whole content of a regular file; false for a link, a FIFO, a device or
    // a missing file. Stops after maxSize bytes when maxSize is not negative.
    static bool readAll(const QString& path, QByteArray& content, qint64 maxSize = -1);
    // Makes path an empty regular file of our own; a link, FIFO or device found
    // there is removed first, a regular file is truncated.
    static bool createEmpty(const QString& path);
    // rename(2) and unlink(2) act on a link itself, never on what it points to.
    static bool rename(const QString& from, const QString& to);
    static bool remove(const QString& path);
};
