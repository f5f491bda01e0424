#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// Files in the user's data folder, handled by a root process. The folder is
// opened once, when the client names it, and every file is reached through that
// descriptor by its bare name: the user owns the folder above it and may swap the
// data folder for a link to any other folder later, but what we act on stays the
// folder that was checked. The user may also plant links inside it, so nothing
// here follows a symbolic link and nothing reads from anything but a regular file.
class DataFile
{
public:
    // Takes the folder at path for the session in place of the one held before;
    // false, holding none, when path is no folder or its last step is a link.
    static bool openFolder(const QString& path);
    // The status of the folder held; false when none is.
    static bool folderStatus(struct stat& status);

    // Whether anything, a link included, stands under the name.
    static bool exists(const QString& name);
    // The whole content of a regular file; false for a link, a FIFO, a device or
    // a missing file. Stops after maxSize bytes when maxSize is not negative.
    static bool readAll(const QString& name, QByteArray& content, qint64 maxSize = -1);
    // The last maxSize bytes of a regular file with no second hard link (which
    // would make the name someone else's file); empty for anything else.
    static QByteArray readTail(const QString& name, qint64 maxSize);
    // Replaces whatever stands under the name by a new empty file of our own and
    // returns it open for writing, inheritable by a child process, or -1. A child
    // given the descriptor never resolves a path itself, so a link planted later
    // cannot turn the child's writes onto another file.
    static int createForChild(const QString& name);
    // Rename and remove act on a link itself, never on what it points to.
    static bool rename(const QString& from, const QString& to);
    static bool remove(const QString& name);
};
