#include "StartupEnvironment.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString firstExistingTemporaryFolder()
{
    for (const char* candidate : {"/private/tmp", "/var/tmp", "/tmp"})
        if (QFileInfo(QLatin1String(candidate)).isDir())
            return QLatin1String(candidate);
    return QString();
}
} // namespace

void StartupEnvironment::fixTemporaryFolder()
{
    if (qEnvironmentVariable("OSX_OZM_NEED_FIND_NEW_TEMP").isEmpty() && QDir(QDir::tempPath()).exists())
        return;
    const QByteArray folder = QFile::encodeName(firstExistingTemporaryFolder());
    if (!qEnvironmentVariableIsEmpty("TEMP"))
        qputenv("TEMP", folder);
    else if (!qEnvironmentVariableIsEmpty("TMPDIR"))
        qputenv("TMPDIR", folder);
    else
        qputenv("TEMP", folder);
}

void StartupEnvironment::enterContentsFolder(const QString& executableFolder)
{
    QDir::setCurrent(QDir::cleanPath(executableFolder + QLatin1String("/../")));
}
