#pragma once

#include <QDataStream>
#include <QFileDevice>
#include <QString>

// Brand resources on disk, one file per item in "cachedresources" below the
// data folder: "<name>.dat", holding a magic number, the format version and
// the entry's two byte arrays as QDataStream writes them.
template <class Entry>
class ResourcesCache
{
public:
    static const QString cachedFilesDir;
    static constexpr quint32 Magic = 0x55555555;
    static constexpr qint32 Version = 2;

    // The file is replaced whole or not at all.
    static bool saveEntry(const QString& name, const Entry& entry);
    // An empty entry when there is no usable file.
    static Entry loadEntry(const QString& name);
    // True when the file is gone afterwards.
    static bool removeEntry(const QString& name);
    static bool ensureCacheDir();
    static QString entryFilePath(const QString& name);
    static bool openCacheFile(QFileDevice& file, QIODevice::OpenMode mode);
    static QString cacheDirPath();
    static bool checkHeader(QDataStream& stream, const QString& name);
    // The name becomes a file name: letters, digits and "_" only.
    static bool isUsableName(const QString& name);
};
