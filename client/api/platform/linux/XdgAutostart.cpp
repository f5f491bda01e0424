#include "XdgAutostart.h"

#include <AppConstants.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

struct DesktopEntry
{
    QString exec;
    bool hidden = false;
};

QString autostartFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1String("/autostart");
}

// Undoes the escapes every string value may carry.
QString unescapeValue(const QString& value)
{
    QString text;
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            text += c;
            continue;
        }
        const QChar next = value[++i];
        if (next == QLatin1Char('s'))
            text += QLatin1Char(' ');
        else if (next == QLatin1Char('n'))
            text += QLatin1Char('\n');
        else if (next == QLatin1Char('t'))
            text += QLatin1Char('\t');
        else if (next == QLatin1Char('r'))
            text += QLatin1Char('\r');
        else if (next == QLatin1Char('\\'))
            text += QLatin1Char('\\');
        else
            text += QString(c) + next;
    }
    return text;
}

QString escapeValue(QString text)
{
    return text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

bool isEscapedInQuotes(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\');
}

// The program as the first argument of an Exec command line: quoted whole, with
// the quoting escapes, and "%" doubled so it is not taken for a field code.
QString quotedProgram(const QString& program)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (isEscapedInQuotes(c))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

// The program an Exec command line runs: its first argument, quoted or bare.
QString programOf(const QString& command)
{
    QString program;
    if (command.startsWith(QLatin1Char('"'))) {
        for (int i = 1; i < command.size() && command[i] != QLatin1Char('"'); ++i) {
            if (command[i] == QLatin1Char('\\') && i + 1 < command.size())
                ++i;
            program += command[i];
        }
    } else {
        program = command.section(QRegularExpression(QStringLiteral("\\s")), 0, 0);
    }
    return program.replace(QLatin1String("%%"), QLatin1String("%"));
}

DesktopEntry readEntry(const QString& path)
{
    DesktopEntry entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entry;
    bool inEntryGroup = false;
    for (const QByteArray& rawLine : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntryGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (!inEntryGroup || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = unescapeValue(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Exec"))
            entry.exec = value;
        else if (key == QLatin1String("Hidden"))
            entry.hidden = value == QLatin1String("true");
    }
    return entry;
}

} // namespace

XdgAutostart::XdgAutostart(const QString& executable)
    : executable(executable)
{
}

QStringList XdgAutostart::entriesRunningExecutable(bool includeHidden) const
{
    QStringList entries;
    const QDir folder(autostartFolder());
    for (const QString& name : folder.entryList({QStringLiteral("*.desktop")}, QDir::Files)) {
        const QString path = folder.filePath(name);
        const DesktopEntry entry = readEntry(path);
        if (programOf(entry.exec) == executable && (includeHidden || !entry.hidden))
            entries << path;
    }
    return entries;
}

bool XdgAutostart::launchesAtLogin()
{
    return !entriesRunningExecutable(false).isEmpty();
}

void XdgAutostart::setLaunchAtLogin(bool on)
{
    if (!on) {
        for (const QString& path : entriesRunningExecutable(true))
            QFile::remove(path);
        return;
    }
    const QString path = autostartFolder() + QLatin1Char('/') + gApplicationName + QLatin1String(".desktop");
    const QString content = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n")
                                .arg(gApplicationNameUI, escapeValue(quotedProgram(executable)));
    QSaveFile file(path);
    if (!QDir().mkpath(autostartFolder()) || !file.open(QIODevice::WriteOnly) || file.write(content.toUtf8()) < 0
        || !file.flush() || !file.commit())
        qWarning().noquote() << "Failed to write" << path;
}
