#pragma once

#include <QString>

class QDataStream;

// One entry of a language pack's directory: a file or a folder, named without its path. The path is the folder
// that holds the entry, "/"-separated and rooted at the pack ("/" itself, "/images/ui").
class FatItem
{
public:
    enum Type : quint32 {
        Directory = 0,
        File = 1,
        Suffix = 2 // only in the packer's exclusion lists: a file suffix to leave out
    };

    static constexpr quint32 INVALIDE_FILE_INDEX = 0xFFFFFFFF;

    // The null entry, the result of a failed search.
    FatItem() = default;
    FatItem(const QString& name, Type type, quint32 index, const QString& path);

    bool isNull() const;
    // Where the entry itself stands in the pack: the path of the folder's own contents for a folder.
    QString fullPath() const;

    QString name;
    Type type = File;
    // A file's number among the file entries; the key of its data block.
    quint32 index = INVALIDE_FILE_INDEX;
    QString path;
};

// Stored as name, path, type, index: the order on disk, not the order of the members.
QDataStream& operator<<(QDataStream& stream, const FatItem& item);
QDataStream& operator>>(QDataStream& stream, FatItem& item);
