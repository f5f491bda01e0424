#include "FileContainer.h"

#include "FileContainerPacker.h"

#include <QDebug>
#include <QDir>

#include <climits>

namespace {

bool notFound(const char* message, const QString& name)
{
    qCritical().nospace() << message << name;
    return false;
}

} // namespace

FileContainer::FileContainer() = default;

FileContainer::FileContainer(const QString& path)
{
    open(path);
}

bool FileContainer::open(const QString& path)
{
    closeContainer();
    if (!path.isEmpty())
        m_path = QDir::cleanPath(path);

    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        qCritical().nospace() << "ERROR [file container] ReadOnly, file " << m_path << " error=" << m_file.errorString();
        return false;
    }
    m_stream.setDevice(&m_file);
    m_stream.setVersion(QDataStream::Qt_4_6);
    m_stream.resetStatus();
    if (!m_header.load(m_stream)) {
        closeContainer();
        return false;
    }
    return true;
}

bool FileContainer::isContainerOpened() const
{
    return m_file.isOpen() && !m_header.items().isEmpty();
}

void FileContainer::closeContainer()
{
    m_header.clear();
    m_stream.setDevice(nullptr);
    m_file.close();
}

QString FileContainer::containerPath() const
{
    return m_path;
}

const QList<FatItem>& FileContainer::items() const
{
    return m_header.items();
}

QByteArray FileContainer::readFile(const QString& name, const QString& path)
{
    for (const FatItem& item : m_header.items()) {
        if (item.name.compare(name, Qt::CaseInsensitive) == 0 && item.path.compare(path, Qt::CaseInsensitive) == 0)
            return readFile(item.index);
    }
    return readFile(FatItem::INVALIDE_FILE_INDEX);
}

QByteArray FileContainer::readFile(unsigned int index)
{
    if (!isContainerOpened()) {
        qCritical().nospace() << "ERROR [file container] container " << m_path << " is closed";
        return {};
    }
    if (index == FatItem::INVALIDE_FILE_INDEX) {
        qCritical().nospace() << "ERROR [file container] container " << m_path << " error = INVALIDE_FILE_INDEX";
        return {};
    }

    // A failed read leaves the stream failing every read after it; each read starts afresh.
    m_stream.resetStatus();
    // Reading the header again is what brings the stream to the first data block. The directory loaded by open
    // stays: callers may be walking it.
    ContainerHeader header;
    if (!m_file.seek(0) || !header.load(m_stream))
        return {};

    for (const FatItem& item : header.items()) {
        if (item.type == FatItem::Directory)
            continue;
        if (item.index == index)
            return readFileAtCurrentPosition();
        skipFileAtCurrentPosition();
        if (m_stream.status() != QDataStream::Ok)
            return {};
    }
    return {};
}

QByteArray FileContainer::readFile(const FatItem& item)
{
    return readFile(item.index);
}

QByteArray FileContainer::readFileAtCurrentPosition()
{
    QByteArray contents;
    m_stream >> contents;
    if (m_stream.status() != QDataStream::Ok)
        return {};
    // The pack may store an empty file as a null block; it is still there, and must not read as a failure.
    if (contents.isNull())
        contents = QByteArray("");
    return contents;
}

void FileContainer::skipFileAtCurrentPosition()
{
    quint32 length = 0;
    m_stream >> length;
    if (m_stream.status() != QDataStream::Ok || length == 0xFFFFFFFF)
        return;
    if (length > quint32(INT_MAX) || m_stream.skipRawData(int(length)) != int(length))
        m_stream.setStatus(QDataStream::ReadPastEnd);
}

FatItem FileContainer::find(FatItem::Type type, const QString& name, const QString& path) const
{
    for (const FatItem& item : m_header.items()) {
        if (item.type == type && item.name == name && (path.isEmpty() || item.path == path))
            return item;
    }
    return {};
}

FatItem FileContainer::findFile(const QString& name, const QString& path) const
{
    return find(FatItem::File, name, path);
}

FatItem FileContainer::findDir(const QString& name, const QString& path) const
{
    return find(FatItem::Directory, name, path);
}

bool FileContainer::exportFile(const QString& target, const QString& name, const QString& path)
{
    const FatItem item = findFile(name, path);
    return item.isNull() ? notFound("ERROR [file container] file not found ", name) : export_(item, target);
}

// Writing the folder empties target first; it is left alone when the pack is refused.
bool FileContainer::exportDir(const QString& target, const QString& name, const QString& path)
{
    const FatItem item = findDir(name, path);
    return item.isNull() ? notFound("ERROR [file container] dir not found ", name) : export_(item, target);
}

bool FileContainer::export_(const FatItem& item, const QString& target)
{
    switch (item.type) {
    case FatItem::File:
        return FileContainerPacker::exportFile(this, item.index, target);
    case FatItem::Directory:
        return FileContainerPacker::exportFilesToDirectory(this, target, item.fullPath());
    default:
        qCritical().nospace() << "ERROR [file container] Uknown item type " << quint32(item.type);
        return false;
    }
}
