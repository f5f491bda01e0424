#include "FolderManager.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QStandardPaths>

namespace {

// A root process acting for a user (the set-uid backend) must land in the user's
// folder, not root's: swap a root home prefix for $HOME.
QString withUserHome(const QString& path)
{
    static const char* const rootHomes[] = {"/private/var/root", "/private/root", "/root"};
    for (const char* rootHome : rootHomes) {
        const QString prefix = QLatin1String(rootHome);
        if (path.startsWith(prefix)) {
            const QString home = QString::fromUtf8(qgetenv("HOME").constData());
            return home + path.mid(prefix.size());
        }
    }
    return path;
}

QString firstLocation(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::standardLocations(location).value(0);
}

QString executableRelative(const char* relative)
{
    return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QLatin1String(relative)));
}

} // namespace

QString FolderManager::appDataFolder()
{
    const QString appName = QCoreApplication::applicationName();
    QString path = firstLocation(QStandardPaths::AppDataLocation);
    if (path.isEmpty()) {
        const QString home = firstLocation(QStandardPaths::HomeLocation);
        if (!home.isEmpty())
            path = home + QLatin1Char('/') + appName;
    }
    if (path.isEmpty())
        path = QStringLiteral("~/Library/Application Support/%1").arg(appName);

    path = QDir(withUserHome(path)).absolutePath();
    qDebug() << "Using data location:" << path;
    return path;
}

QString FolderManager::appFolder()
{
    return executableRelative("../Resources/");
}

QString FolderManager::appBundleDirPath()
{
    return executableRelative("../../..");
}
