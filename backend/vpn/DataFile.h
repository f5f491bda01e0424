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
    // Replaces whatever stands at path by a new empty file of our own and returns
    // it open for writing, inheritable by a child process, or -1. A child given
    // the descriptor never resolves the path itself, so a link planted there
    // later cannot turn the child's writes onto another file.
    static int createForChild(const QString& path);
    // rename(2) and unlink(2) act on a link itself, never on what it points to.
    static bool rename(const QString& from, const QString& to);
    static bool remove(const QString& path);
};
