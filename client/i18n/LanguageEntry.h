#pragma once

#include <QString>

// One row of the language list.
struct LanguageEntry
{
    // The language's name in its own language.
    QString displayName;
    // The pack's file name without its suffix, or "en" or "auto".
    QString code;
    QString englishName;

    bool operator==(const LanguageEntry& other) const
    {
        return displayName == other.displayName && code == other.code && englishName == other.englishName;
    }
};
