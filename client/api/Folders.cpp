#include "Folders.h"

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
