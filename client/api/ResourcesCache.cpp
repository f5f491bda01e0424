#include "ResourcesCache.h"

#include "CacheEntry.h"
#include "Folders.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

template <class Entry>
const QString ResourcesCache<Entry>::cachedFilesDir = QStringLiteral("cachedresources");

template <class Entry>
bool ResourcesCache<Entry>::isUsableName(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_]+$"));
    if (plain.match(name).hasMatch())
        return true;
    qCritical().noquote() << "ERROR" << "[resource's cache] refused item name" << name;
    return false;
}

template <class Entry>
QString ResourcesCache<Entry>::cacheDirPath()
{
    return QDir::toNativeSeparators(Folders::app_data_folder + QDir::separator() + cachedFilesDir);
}

template <class Entry>
QString ResourcesCache<Entry>::entryFilePath(const QString& name)
{
    return QDir::toNativeSeparators(cacheDirPath() + QDir::separator() + name + QStringLiteral(".dat"));
}

template <class Entry>
bool ResourcesCache<Entry>::ensureCacheDir()
{
    if (QDir().mkpath(cacheDirPath()))
        return true;
    qCritical().noquote() << "ERROR" << "[resource's cache] cannot create directory for chache files";
    return false;
}

template <class Entry>
bool ResourcesCache<Entry>::openCacheFile(QFileDevice& file, QIODevice::OpenMode mode)
{
    if (file.open(mode))
        return true;
    qCritical().noquote() << "ERROR" << "[resource's cache] cache file missing/can't be opened:" << file.fileName()
                          << "IO error = " << file.errorString();
    return false;
}

template <class Entry>
bool ResourcesCache<Entry>::checkHeader(QDataStream& stream, const QString& name)
{
    quint32 magic = 0;
    stream >> magic;
    if (magic != Magic) {
        qCritical().noquote() << "ERROR" << "[resource's cache] cache file" << name << "has bad format";
        return false;
    }
    qint32 version = 0;
    stream >> version;
    if (version == Version)
        return true;
    qCritical().noquote() << "ERROR" << "[resource's cache] cache file" << name << "is too"
                          << (version < Version ? "old" : "new") << ", version=" << version;
    return false;
}

template <class Entry>
bool ResourcesCache<Entry>::saveEntry(const QString& name, const Entry& entry)
{
    if (!isUsableName(name) || !ensureCacheDir())
        return false;
    QSaveFile file(entryFilePath(name));
    if (!openCacheFile(file, QIODevice::WriteOnly))
        return false;
    QDataStream stream(&file);
    stream << Magic << Version << entry.lastModified << entry.data;
    // The commit alone would not notice a buffer that failed to reach a full
    // disk, and would put a cut file in the old one's place.
    if (stream.status() != QDataStream::Ok || !file.flush() || !file.commit()) {
        qCritical().noquote() << "ERROR" << "[resource's cache] cache file can't be written:" << file.fileName()
                              << "IO error = " << file.errorString();
        return false;
    }
    return true;
}

template <class Entry>
Entry ResourcesCache<Entry>::loadEntry(const QString& name)
{
    if (!isUsableName(name))
        return Entry();
    QFile file(entryFilePath(name));
    if (!openCacheFile(file, QIODevice::ReadOnly))
        return Entry();
    QDataStream stream(&file);
    if (!checkHeader(stream, name))
        return Entry();
    Entry entry;
    stream >> entry.lastModified >> entry.data;
    return entry;
}

template <class Entry>
bool ResourcesCache<Entry>::removeEntry(const QString& name)
{
    if (!isUsableName(name))
        return false;
    QFile file(entryFilePath(name));
    return !file.exists() || file.remove();
}

template class ResourcesCache<CacheEntry>;
