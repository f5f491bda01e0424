#pragma once

#include "FatItem.h"

#include <QList>
#include <QString>
#include <QStringList>

class FileContainer;

// Writes a folder tree into a language pack and writes a pack's tree back out to a folder. A pack is written
// completely or not at all; a pack whose directory could lead a write outside the destination is refused before
// anything on disk is touched.
class FileContainerPacker
{
public:
    // Exclusions are matched by type and name alone: a Directory entry leaves out every folder of that name, a Suffix
    // entry every file with that suffix.
    FileContainerPacker(const QString& source, const QString& destination, const QString& container,
                        const QList<FatItem>& exclusions);

    bool pack();
    bool unpack();

    static bool packDirectoryToContainer(const QString& directory, const QString& container,
                                         const QList<FatItem>& exclusions);
    static bool unpackContainerToDirectory(const QString& directory, const QString& container);

    // A present block exports even when it is empty; only a missing or cut-short one fails.
    static bool exportFile(FileContainer* container, unsigned int index, const QString& target);
    // The pack's folder containerDir, "/" for the whole tree, becomes target.
    static bool exportFilesToDirectory(FileContainer* container, const QString& target,
                                       const QString& containerDir = QStringLiteral("/"));
    // Empties directory, then writes the level of the pack that corresponds to it (going on past a failed entry, but
    // then returning false).
    bool writeFilesToDirectory(FileContainer* container, const QString& directory);

    static bool recreateDir(const QString& directory);

private:
    void collect(const QString& directory, const QString& path, const QString& output);
    bool isExcluded(FatItem::Type type, const QString& name) const;
    bool writeFiles(QDataStream& stream) const;
    void logSummary() const;
    static bool writeTree(FileContainer* container, const QString& directory, const QString& levelPath);
    static bool writeLevel(FileContainer* container, const QList<FatItem>& items, const QString& directory,
                           const QString& levelPath);

    QString m_source;
    QString m_destination;
    QString m_container;
    QList<FatItem> m_items;
    QStringList m_files;
    QList<FatItem> m_exclusions;
};

// Removes a folder with everything in it; true when it is gone or was never there. A symbolic link is removed
// itself, never followed.
bool removeDir(const QString& directory);
