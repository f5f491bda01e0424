#pragma once

#include <QString>

// The process environment the client fixes before anything else reads it.
class StartupEnvironment
{
public:
    // A temporary folder that exists, when TMPDIR names none or a search is forced.
    static void fixTemporaryFolder();
    // Relative paths of the shipped files start at the folder above the executable's.
    static void enterContentsFolder(const QString& executableFolder);
};
