#pragma once

#include "ContainerHeader.h"
#include "FatItem.h"

#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QString>

// Read-only access to a language pack: a directory of entries followed by one data block per file. Used from one
// thread at a time.
//
// Every read returns a null array exactly when it failed; a file that is present but empty reads as an empty,
// non-null array.
class FileContainer
{
public:
    FileContainer();
    explicit FileContainer(const QString& path);
    FileContainer(const FileContainer&) = delete;
    FileContainer& operator=(const FileContainer&) = delete;

    // An empty path reopens the pack opened before.
    bool open(const QString& path);
    bool isContainerOpened() const;
    void closeContainer();

    QString containerPath() const;
    const QList<FatItem>& items() const;

    // Name and path compared without regard to case; the path is required.
    QByteArray readFile(const QString& name, const QString& path);
    QByteArray readFile(unsigned int index);
    QByteArray readFile(const FatItem& item);
    QByteArray readFileAtCurrentPosition();
    void skipFileAtCurrentPosition();

    // Name and path compared exactly; an empty path matches any. The null entry when nothing matches.
    FatItem find(FatItem::Type type, const QString& name, const QString& path) const;
    FatItem findFile(const QString& name, const QString& path) const;
    FatItem findDir(const QString& name, const QString& path) const;

    // Copy a file, or a folder with everything below it, out of the pack to target.
    bool exportFile(const QString& target, const QString& name, const QString& path);
    bool exportDir(const QString& target, const QString& name, const QString& path);
    bool export_(const FatItem& item, const QString& target);

private:
    QString m_path;
    QFile m_file;
    QDataStream m_stream;
    ContainerHeader m_header;
};
