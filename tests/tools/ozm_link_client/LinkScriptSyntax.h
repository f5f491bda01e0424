#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The words of one script line and the quoted form the link client prints values
// in, so a printed value can be pasted back as an argument. Words are separated by
// blanks; double quotes keep blanks together and "" is an empty word; inside
// quotes \\, \" and \xHH stand for a backslash, a quote and any byte below 0x80.
class LinkScriptSyntax
{
public:
    // No value when a quote is left open or an escape is not one of the above.
    static std::optional<QStringList> split(const QString& line);
    static QString quote(const QString& word);
};
