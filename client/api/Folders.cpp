#include "Folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

QString Folders::app_folder;
QString Folders::app_data_folder;

void Folders::setAppFolder(const QString& folder)
{
    app_folder = folder;
}

void Folders::setAppDataFolder(const QString& folder)
{
    app_data_folder = folder;
}

// The folder holds the user's log and account, and the backend, which writes root's
// files into it, refuses one that others may write.
bool Folders::makeAppDataFolder()
{
    const QFileInfo folder(app_data_folder);
    if (app_data_folder.isEmpty() || !QDir().mkpath(folder.absolutePath()))
        return false;
    ::mkdir(QFile::encodeName(folder.absoluteFilePath()).constData(), 0700);
    return QFileInfo(folder.absoluteFilePath()).isDir();
}
