#include "ClientLog.h"

#include "Folders.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSaveFile>
#include <QThread>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct LogState
{
    QMutex mutex;
    QString path;
    std::unique_ptr<QFile> file;
    bool bounded = true;
};

// Never destroyed: messages may still arrive while static objects are torn down.
LogState& state()
{
    static LogState* const instance = new LogState;
    return *instance;
}

// Set while this thread is inside the handler, whose lock it may hold.
thread_local bool handling = false;

// The log holds addresses and the account's e-mail: it is the user's alone, from
// the moment it exists.
std::unique_ptr<QFile> openForAppending(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    // A log an earlier version left readable by others is closed up too.
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd, 0600);
    auto file = std::make_unique<QFile>(path);
    if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}

// What the file holds from `from` on, beginning with the first line that starts
// there or later: a line the offset cut in two is left out, a whole one is kept.
QByteArray wholeLinesFrom(QFile& file, qint64 from)
{
    if (from <= 0) {
        file.seek(0);
        return file.readAll();
    }
    file.seek(from - 1);
    const QByteArray bytes = file.readAll();
    const int lineStart = bytes.indexOf('\n') + 1;
    return lineStart > 0 ? bytes.mid(lineStart) : QByteArray();
}

bool replaceContent(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush()
           && file.commit();
}

// Keeps the newest half, not the oldest: the support report reads the end.
// Caller holds the lock.
void keepNewestHalf(LogState& log)
{
    QFile reader(log.path);
    if (!reader.open(QIODevice::ReadOnly)) {
        // Removed while open: the lines go on in a new file by that name.
        log.file = openForAppending(log.path);
        return;
    }
    const qint64 size = reader.size();
    const QByteArray newest = wholeLinesFrom(reader, size - size / 2);
    reader.close();
    if (replaceContent(log.path, newest)) {
        log.file = openForAppending(log.path);
        return;
    }
    // No room for a second copy: cut in place.
    log.file->resize(0);
    log.file->write(newest);
    log.file->flush();
}

// Checked after every line, not now and then: a run of long lines would grow
// the file without limit in between. Caller holds the lock.
void keepBounded(LogState& log)
{
    if (log.bounded && log.file && log.file->size() > ClientLog::SizeLimit)
        keepNewestHalf(log);
}

// Write, flush and cut under one lock, so no line is torn by another thread's
// write or lost to a cut that read the file before it was flushed.
void appendLine(const QByteArray& line)
{
    LogState& log = state();
    QMutexLocker lock(&log.mutex);
    if (!log.file)
        return;
    log.file->write(line);
    log.file->flush();
    keepBounded(log);
}

// Narrow bytes only: one wide write would orient stderr, and glibc then drops
// every narrow write to it, Qt's own included.
void echo(const QString& message)
{
    const QByteArray bytes = message.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString levelText(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral(" DEBUG");
    case QtWarningMsg:
        return QStringLiteral(" WARNING");
    case QtCriticalMsg:
        return QStringLiteral(" TRACE");
    case QtFatalMsg:
        return QStringLiteral(" FATAL ERROR");
    // A text of its own, not whatever lies past the end of the table above.
    case QtInfoMsg:
        return QStringLiteral(" INFO");
    }
    return QString();
}

QString formatLine(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    // An error names its level itself.
    const QString level = message.startsWith(QLatin1String("ERROR")) ? QString() : levelText(type);
    return QStringLiteral("%1 [%2]%3 %4 %5: %6\n")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("MM-dd-yy hh:mm:ss,zzz")),
             QString::number(quintptr(QThread::currentThreadId())), level, QString::fromUtf8(context.file),
             QString::fromUtf8(context.function), message);
}

} // namespace

void dbgMsgHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    echo(message);
    // A message raised while this thread writes the log (a file warning) would
    // wait for the lock it holds: standard error is where it goes.
    if (handling)
        return;
    handling = true;
    appendLine(formatLine(type, context, message).toUtf8());
    handling = false;
}

bool ClientLog::open(const QString& fileName, Bounds bounds)
{
    qInstallMessageHandler(dbgMsgHandler);
    LogState& log = state();
    {
        QMutexLocker lock(&log.mutex);
        log.bounded = bounds == Bounds::Keep;
        if (!log.file) {
            log.path = fileName;
            log.file = openForAppending(fileName);
        }
        ::keepBounded(log);
        if (log.file)
            return true;
    }
    qCritical("Failed to create log file.");
    qInstallMessageHandler(nullptr);
    return false;
}

bool ClientLog::isOpen()
{
    LogState& log = state();
    QMutexLocker lock(&log.mutex);
    return log.file != nullptr;
}

void ClientLog::flush()
{
    LogState& log = state();
    QMutexLocker lock(&log.mutex);
    if (log.file)
        log.file->flush();
}

void ClientLog::keepBounded()
{
    LogState& log = state();
    QMutexLocker lock(&log.mutex);
    log.bounded = true;
    ::keepBounded(log);
}

void ClientLog::close()
{
    qInstallMessageHandler(nullptr);
    LogState& log = state();
    QMutexLocker lock(&log.mutex);
    log.file.reset();
}

QString ClientLog::tail()
{
    flush();
    QFile file(Folders::app_data_folder + QDir::separator() + QLatin1String("log.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qCritical("Failed to open log.txt");
        return QString();
    }
    // Only a seek into the file can cut a line; from the start the first is whole.
    const QByteArray bytes = wholeLinesFrom(file, file.size() - TailSize);
    return QString::fromUtf8(bytes.constData(), int(qstrnlen(bytes.constData(), uint(bytes.size()))));
}
