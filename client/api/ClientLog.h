#pragma once

#include <QString>
#include <QtGlobal>

// The client's log. Every message of every thread is echoed to standard error
// and appended as one line to a file whose size stays bounded: when it passes
// SizeLimit, its newest half is kept, so the end a support report reads survives.
class ClientLog
{
public:
    static constexpr qint64 SizeLimit = 1024000;
    static constexpr qint64 TailSize = 512 * 1024;

    // Only the process that goes on writing the log may cut it: a second start
    // appends, and cutting under the running client would halve its file.
    enum class Bounds { Keep, LeaveToOwner };

    // Installs dbgMsgHandler and, unless a file is open already, opens fileName
    // for appending, readable by the user alone. When it cannot be opened the
    // process goes back to Qt's own message output and false is returned.
    static bool open(const QString& fileName, Bounds bounds = Bounds::Keep);
    // Takes over the cutting once this process turned out to be the log's owner.
    static void keepBounded();
    static bool isOpen();
    static void flush();
    // Puts Qt's own message output back and closes the file.
    static void close();

    // The last TailSize bytes of "log.txt" in the data folder, from a line start.
    static QString tail();
};

void dbgMsgHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);
