#include "UtilLogLine.h"

#include <AppConstants.h>

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

UtilLogLine::UtilLogLine()
    : file(logPath())
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    stream.setDevice(&file);
    stream.setCodec("UTF-8");
    stream << QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy HH-mm-ss "));
}

UtilLogLine::~UtilLogLine()
{
    if (!file.isOpen())
        return;
    stream << '\n';
    stream.flush();
    file.close();
}

QString UtilLogLine::logPath()
{
    static const QString path = [] {
        const QString folder = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation).value(0)
                               + QDir::separator() + gApplicationName;
        QDir().mkpath(folder);
        return folder + QDir::separator() + QLatin1String("yeb_util_log.txt");
    }();
    return path;
}
