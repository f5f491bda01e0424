#include "SmallDisk.h"

#include <QFile>

#include <sys/mount.h>

SmallDisk::SmallDisk(const QString& folder, int kibibytes)
    : m_folder(QFile::encodeName(folder))
{
    const QByteArray options = "size=" + QByteArray::number(kibibytes) + 'k';
    m_mounted = mount("tmpfs", m_folder.constData(), "tmpfs", 0, options.constData()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        umount2(m_folder.constData(), MNT_DETACH);
}

bool SmallDisk::fill() const
{
    QFile filler(QFile::decodeName(m_folder) + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly))
        return false;
    while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
    }
    return true;
}
