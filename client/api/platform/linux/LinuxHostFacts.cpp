#include "LinuxHostFacts.h"

#include <execute_manager.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cctype>

namespace {

// systemd's id first; D-Bus keeps the same id where systemd is not in charge.
const char* const MachineIdFiles[] = {"etc/machine-id", "var/lib/dbus/machine-id"};
const char* const OsReleaseFiles[] = {"etc/os-release", "usr/lib/os-release"};

// 32 hex digits. "uninitialized", an empty file and anything else do not count.
bool isMachineId(const QByteArray& text)
{
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(uchar(c)); });
}

// A shell-style value: single quotes keep everything, elsewhere a backslash
// takes the next character literally.
bool isQuotedWith(const QString& value, char quote)
{
    return value.size() >= 2 && value.startsWith(QLatin1Char(quote)) && value.endsWith(QLatin1Char(quote));
}

QString unquote(QString value)
{
    const bool singleQuoted = isQuotedWith(value, '\'');
    const bool doubleQuoted = isQuotedWith(value, '"');
    if (singleQuoted || doubleQuoted)
        value = value.mid(1, value.size() - 2);
    if (singleQuoted)
        return value;
    QString plain;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size())
            ++i;
        plain += value[i];
    }
    return plain;
}

QMap<QString, QString> parseOsRelease(const QByteArray& content)
{
    QMap<QString, QString> values;
    for (const QByteArray& rawLine : content.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        const int equals = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char('#')) || equals <= 0)
            continue;
        values.insert(line.left(equals), unquote(line.mid(equals + 1)));
    }
    return values;
}

} // namespace

LinuxHostFacts::LinuxHostFacts(const QString& root)
    : root(root)
{
}

QByteArray LinuxHostFacts::read(const QString& path) const
{
    QFile file(QDir(root).filePath(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray LinuxHostFacts::machineId()
{
    for (const char* path : MachineIdFiles) {
        const QByteArray text = read(QLatin1String(path)).trimmed();
        if (isMachineId(text))
            return QByteArray::fromHex(text);
    }
    return QByteArray();
}

QString LinuxHostFacts::hardwareAttribute(const QString& name)
{
    return QString::fromUtf8(read(QLatin1String("sys/class/dmi/id/") + name));
}

QMap<QString, QString> LinuxHostFacts::osRelease()
{
    for (const char* path : OsReleaseFiles) {
        if (QFile::exists(QDir(root).filePath(QLatin1String(path))))
            return parseOsRelease(read(QLatin1String(path)));
    }
    return {};
}

QString LinuxHostFacts::kernelRelease()
{
    return QString::fromUtf8(read(QStringLiteral("proc/sys/kernel/osrelease"))).trimmed();
}

QString LinuxHostFacts::hostName()
{
    return QString::fromUtf8(read(QStringLiteral("proc/sys/kernel/hostname"))).trimmed();
}

std::optional<QString> LinuxHostFacts::programOutput(const QString& program, const QStringList& arguments)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return std::nullopt;
    QString output;
    execute_manager::execute_and_get_stdout(output, path, arguments, nullptr);
    return output;
}
