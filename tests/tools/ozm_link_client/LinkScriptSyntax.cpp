#include "LinkScriptSyntax.h"

#include <algorithm>

namespace {

bool isPlain(QChar c)
{
    return c > QLatin1Char(' ') && c != QLatin1Char('"') && c != QLatin1Char('\\') && c != QChar(0x7f);
}

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// Reads the escape that starts at line[i] (a backslash inside quotes) into word;
// returns how many characters it took, 0 when it is not a known escape.
int takeEscape(const QString& line, int i, QString& word)
{
    const QChar next = i + 1 < line.size() ? line.at(i + 1) : QChar();
    if (next == QLatin1Char('\\') || next == QLatin1Char('"')) {
        word += next;
        return 2;
    }
    if (next == QLatin1Char('x')) {
        const QString digits = line.mid(i + 2, 2);
        const uint code = digits.toUInt(nullptr, 16);
        if (digits.size() != 2 || !std::all_of(digits.begin(), digits.end(), isHexDigit) || code > 0x7f)
            return 0;
        word += QChar(code);
        return 4;
    }
    return 0;
}

} // namespace

std::optional<QStringList> LinkScriptSyntax::split(const QString& line)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (int i = 0; i < line.size();) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
                ++i;
            } else if (c == QLatin1Char('\\')) {
                const int taken = takeEscape(line, i, word);
                if (taken == 0)
                    return std::nullopt;
                i += taken;
            } else {
                word += c;
                ++i;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
            ++i;
        } else {
            inWord = true;
            if (c == QLatin1Char('"'))
                quoted = true;
            else
                word += c;
            ++i;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inWord)
        words << word;
    return words;
}

QString LinkScriptSyntax::quote(const QString& word)
{
    if (!word.isEmpty() && std::all_of(word.begin(), word.end(), isPlain))
        return word;
    QString quotedWord = QStringLiteral("\"");
    for (const QChar c : word) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            quotedWord += QLatin1Char('\\') + QString(c);
        else if (c < QLatin1Char(' ') || c == QChar(0x7f))
            quotedWord += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            quotedWord += c;
    }
    return quotedWord + QLatin1Char('"');
}
