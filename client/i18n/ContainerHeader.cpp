#include "ContainerHeader.h"

#include <QDataStream>
#include <QDebug>

ContainerHeader::ContainerHeader(const QList<FatItem>& items, quint32 magic, quint32 version)
    : m_items(items)
    , m_magic(magic)
    , m_version(version)
{
}

bool ContainerHeader::load(QDataStream& stream)
{
    m_items.clear();
    stream >> m_magic >> m_version;
    if (stream.status() != QDataStream::Ok || m_magic != MAGIC) {
        qCritical() << "ERROR [file container] bad file format";
        return false;
    }
    if (m_version != VERSION) {
        qCritical() << (m_version < VERSION ? "ERROR [file container] file version is too old"
                                            : "ERROR [file container] file version is too new");
        return false;
    }

    quint32 count = 0;
    stream >> count;
    // The count is only a bound: nothing is reserved from it, so a forged count costs no more than the bytes that
    // are really there.
    for (quint32 i = 0; i < count; ++i) {
        FatItem item;
        stream >> item;
        if (stream.status() != QDataStream::Ok) {
            m_items.clear();
            break;
        }
        m_items.append(item);
    }
    return !m_items.isEmpty();
}

void ContainerHeader::saveToStream(QDataStream& stream) const
{
    stream << m_magic << m_version << quint32(m_items.size());
    for (const FatItem& item : m_items)
        stream << item;
}

const QList<FatItem>& ContainerHeader::items() const
{
    return m_items;
}

void ContainerHeader::clear()
{
    m_items.clear();
}
