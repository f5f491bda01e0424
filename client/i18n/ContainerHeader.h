#pragma once

#include "FatItem.h"

#include <QList>

class QDataStream;

// The head of a language pack: magic, version and the directory of entries. The data blocks follow it.
class ContainerHeader
{
public:
    static constexpr quint32 MAGIC = 0x27921FD4;
    static constexpr quint32 VERSION = 1;

    ContainerHeader() = default;
    ContainerHeader(const QList<FatItem>& items, quint32 magic, quint32 version);

    // Reads from the stream's current position; true when magic and version are right and the directory holds at
    // least one entry. A directory the stream cannot read to its end leaves the list empty.
    bool load(QDataStream& stream);
    void saveToStream(QDataStream& stream) const;

    const QList<FatItem>& items() const;
    void clear();

private:
    QList<FatItem> m_items;
    quint32 m_magic = MAGIC;
    quint32 m_version = VERSION;
};
