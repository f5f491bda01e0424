#pragma once

#include <QString>

class FolderManager
{
public:
    static QString appDataFolder();
    static QString appFolder();
    static QString appBundleDirPath();
};
