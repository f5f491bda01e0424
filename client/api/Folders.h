#pragma once

#include <QString>

// The client's two folders, fixed once at start before any other thread runs
// and only read afterwards.
class Folders
{
public:
    static void setAppFolder(const QString& folder);
    static void setAppDataFolder(const QString& folder);

    static QString app_folder;
    static QString app_data_folder;
};
