#include "FileContainerPacker.h"

#include "ContainerHeader.h"
#include "FileContainer.h"

#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

namespace {

// Deeper packs are refused outright: ours hold "/images/ui" at most, and the bound keeps a hostile directory from
// driving the recursion.
constexpr int maxNesting = 16;

QString normalized(const QString& path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

bool isSafeName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

// The number of folders a path names below the pack's root, or -1 when it is not "/" followed by safe names.
int folderDepth(const QString& path)
{
    if (path == QLatin1String("/"))
        return 0;
    if (!path.startsWith(QLatin1Char('/')))
        return -1;
    const QStringList names = path.mid(1).split(QLatin1Char('/'));
    for (const QString& name : names) {
        if (!isSafeName(name))
            return -1;
    }
    return names.size();
}

// Every entry is checked before the first write: a name like "..", "" or "a/b" would reach outside the destination
// or recurse without end.
bool isSafeEntry(const FatItem& item)
{
    const int depth = folderDepth(item.path);
    if (depth < 0 || !isSafeName(item.name)) {
        qCritical().nospace() << "ERROR [file container] unpacking, refused entry " << item.name << " in " << item.path;
        return false;
    }
    if (depth + (item.type == FatItem::Directory ? 1 : 0) > maxNesting) {
        qCritical().nospace() << "ERROR [file container] unpacking, nested too deep " << item.name << " in " << item.path;
        return false;
    }
    return true;
}

} // namespace

FileContainerPacker::FileContainerPacker(const QString& source, const QString& destination, const QString& container,
                                         const QList<FatItem>& exclusions)
    : m_source(normalized(source))
    , m_destination(normalized(destination))
    , m_container(normalized(container))
    , m_exclusions(exclusions)
{
}

bool FileContainerPacker::pack()
{
    if (!QFileInfo(m_source).isDir()) {
        qCritical() << "ERROR [file container] source dir is not existed";
        return false;
    }

    // Collected before the output exists in its new form, and without it, so a pack inside its own source never
    // swallows its previous version.
    m_items.clear();
    m_files.clear();
    collect(m_source, QStringLiteral("/"), QFileInfo(m_container).canonicalFilePath());

    QSaveFile file(m_container);
    if (!file.open(QIODevice::WriteOnly)) {
        qCritical().nospace() << "ERROR [file container] packing, file " << m_container << " error=" << file.errorString();
        return false;
    }
    QDataStream stream(&file);
    ContainerHeader(m_items, ContainerHeader::MAGIC, ContainerHeader::VERSION).saveToStream(stream);
    if (!writeFiles(stream))
        return false;
    if (stream.status() != QDataStream::Ok || !file.flush() || !file.commit()) {
        qCritical().nospace() << "ERROR [file container] packing, file " << m_container << " error=" << file.errorString();
        return false;
    }
    logSummary();
    return true;
}

void FileContainerPacker::collect(const QString& directory, const QString& path, const QString& output)
{
    // Sorted by name so that a tree always gives the same pack, whatever order the file system lists it in.
    const QFileInfoList entries = QDir(directory).entryInfoList(
        QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir()) {
            if (isExcluded(FatItem::Directory, entry.fileName()))
                continue;
            const FatItem folder(entry.fileName(), FatItem::Directory, FatItem::INVALIDE_FILE_INDEX, path);
            m_items.append(folder);
            collect(entry.absoluteFilePath(), folder.fullPath(), output);
        } else if (entry.isFile()) {
            if (isExcluded(FatItem::Suffix, entry.suffix()) || entry.canonicalFilePath() == output)
                continue;
            m_items.append(FatItem(entry.fileName(), FatItem::File, quint32(m_files.size()), path));
            m_files.append(entry.absoluteFilePath());
        }
    }
}

bool FileContainerPacker::isExcluded(FatItem::Type type, const QString& name) const
{
    for (const FatItem& exclusion : m_exclusions) {
        if (exclusion.type == type && exclusion.name == name)
            return true;
    }
    return false;
}

bool FileContainerPacker::writeFiles(QDataStream& stream) const
{
    for (const QString& path : m_files) {
        QFile file(path);
        const QByteArray contents = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (file.error() != QFileDevice::NoError) {
            qCritical().nospace() << "ERROR [file container] packing, file " << path << " error=" << file.errorString();
            return false;
        }
        // Written by length rather than as a QByteArray: readAll() of an empty file is a null array, which would be
        // stored as "no block".
        stream.writeBytes(contents.constData(), uint(contents.size()));
    }
    return true;
}

void FileContainerPacker::logSummary() const
{
    qCritical().noquote() << QString(52, QLatin1Char('-'));
    qCritical().nospace() << "container " << QDir(m_source).relativeFilePath(m_container) << " have files:";
    for (const FatItem& item : m_items)
        qCritical().noquote() << item.fullPath();
    qCritical().noquote() << QString(52, QLatin1Char('/'));
}

bool FileContainerPacker::unpack()
{
    FileContainer container(m_container);
    if (!container.isContainerOpened()) {
        qCritical().nospace() << "ERROR [file container] unpacking, container " << m_container << " is closed";
        return false;
    }
    return writeFilesToDirectory(&container, m_destination);
}

bool FileContainerPacker::packDirectoryToContainer(const QString& directory, const QString& container,
                                                   const QList<FatItem>& exclusions)
{
    if (directory.isEmpty() || container.isEmpty())
        return false;
    return FileContainerPacker(directory, QString(), container, exclusions).pack();
}

bool FileContainerPacker::unpackContainerToDirectory(const QString& directory, const QString& container)
{
    if (directory.isEmpty() || container.isEmpty())
        return false;
    return FileContainerPacker(QString(), directory, container, {}).unpack();
}

bool FileContainerPacker::exportFile(FileContainer* container, unsigned int index, const QString& target)
{
    const QByteArray contents = container->readFile(index);
    if (contents.isNull()) {
        qCritical().nospace() << "ERROR [file container] error during reading of " << index;
        return false;
    }
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.flush()
        || !file.commit()) {
        qCritical().nospace() << "ERROR [file container] error of " << target << " error=" << file.errorString();
        return false;
    }
    return true;
}

bool FileContainerPacker::exportFilesToDirectory(FileContainer* container, const QString& target,
                                                 const QString& containerDir)
{
    if (target.isEmpty())
        return false;
    return writeTree(container, normalized(target), containerDir);
}

bool FileContainerPacker::writeFilesToDirectory(FileContainer* container, const QString& directory)
{
    const QString relative = QDir::fromNativeSeparators(
        QDir(m_destination).relativeFilePath(QFileInfo(directory).absoluteFilePath()));
    const QString levelPath =
        relative.isEmpty() || relative == QLatin1String(".") ? QStringLiteral("/") : QLatin1Char('/') + relative;
    return writeTree(container, directory, levelPath);
}

bool FileContainerPacker::writeTree(FileContainer* container, const QString& directory, const QString& levelPath)
{
    // A copy: reading a file must not disturb the walk over the directory.
    const QList<FatItem> items = container->items();
    for (const FatItem& item : items) {
        if (!isSafeEntry(item))
            return false;
    }
    return writeLevel(container, items, directory, levelPath);
}

bool FileContainerPacker::writeLevel(FileContainer* container, const QList<FatItem>& items, const QString& directory,
                                     const QString& levelPath)
{
    if (!removeDir(directory)) {
        qCritical().nospace() << "ERROR [file container] unpacking, cannot remove dir " << directory;
        return false;
    }
    if (!QDir().mkpath(directory)) {
        qCritical().nospace() << "ERROR [file container] unpacking, cannot create dir " << directory;
        return false;
    }

    bool written = true;
    // A folder listed twice is written once; repeated at every level it would multiply the work.
    QSet<QString> folders;
    for (const FatItem& item : items) {
        if (item.path != levelPath)
            continue;
        const QString target = QDir::toNativeSeparators(directory + QLatin1Char('/') + item.name);
        if (item.type != FatItem::Directory)
            written = exportFile(container, item.index, target) && written;
        else if (!folders.contains(item.name)) {
            folders.insert(item.name);
            written = writeLevel(container, items, target, item.fullPath()) && written;
        }
    }
    return written;
}

bool FileContainerPacker::recreateDir(const QString& directory)
{
    return removeDir(directory) && QDir().mkpath(directory);
}

bool removeDir(const QString& directory)
{
    const QFileInfo info(directory);
    // A link to a folder is removed as a link: what it points at belongs to someone else.
    if (info.isSymLink())
        return QFile::remove(directory);
    if (!info.isDir())
        return true;

    const QFileInfoList entries = QDir(directory).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::DirsFirst);
    for (const QFileInfo& entry : entries) {
        const QString path = entry.absoluteFilePath();
        const bool removed = entry.isDir() && !entry.isSymLink() ? removeDir(path) : QFile::remove(path);
        if (!removed)
            return false;
    }
    return QDir().rmdir(directory);
}
