#pragma once

#include <QString>

// The client's two folders, fixed once at start before any other thread runs
// and only read afterwards.
class Folders
{
public:
    static void setAppFolder(const QString& folder);
    static void setAppDataFolder(const QString& folder);
    // Makes the data folder, and any folder above it, when it is missing; the
    // data folder itself is the user's alone. True when it is there afterwards.
    static bool makeAppDataFolder();

    static QString app_folder;
    static QString app_data_folder;
};
