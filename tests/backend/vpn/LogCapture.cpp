#include "LogCapture.h"

#include <QMutex>

namespace {

QMutex mutex;
QStringList captured;
QtMessageHandler forwardTo = nullptr;

} // namespace

LogCapture::LogCapture()
{
    QMutexLocker lock(&mutex);
    captured.clear();
    previous = qInstallMessageHandler(&LogCapture::handler);
    forwardTo = previous;
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    {
        QMutexLocker lock(&mutex);
        captured.append(message);
    }
    if (forwardTo)
        forwardTo(type, context, message);
}

QStringList LogCapture::messages() const
{
    QMutexLocker lock(&mutex);
    return captured;
}

int LogCapture::count(const QString& text) const
{
    QMutexLocker lock(&mutex);
    int n = 0;
    for (const QString& message : captured)
        n += message.contains(text);
    return n;
}

void LogCapture::clear()
{
    QMutexLocker lock(&mutex);
    captured.clear();
}
