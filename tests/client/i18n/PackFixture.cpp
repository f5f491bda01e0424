#include "PackFixture.h"

#include "ContainerHeader.h"
#include "FileContainerPacker.h"

#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/syscall.h>
#include <unistd.h>

namespace PackFixture {

QByteArray referencePack()
{
    return QByteArray::fromHex(
        "27921fd400000001000000040000000c0069006d006100670065007300000002002f00000000ffffffff000000040075"
        "00690000000e002f0069006d006100670065007300000000ffffffff0000002800710073005f006d0065006e00750073"
        "00630072005f0073006d0061006c006c002e0070006e006700000014002f0069006d0061006700650073002f00750069"
        "00000001000000000000001c007400720061006e0073006c006100740069006f006e002e0071006d00000002002f0000"
        "0001000000010000000889504e470d0a1a0a00000004514d0001");
}

QMap<QString, QByteArray> referenceTree()
{
    return {{QStringLiteral("translation.qm"), QByteArray::fromHex("514d0001")},
            {QStringLiteral("images/ui/qs_menuscr_small.png"), QByteArray::fromHex("89504e470d0a1a0a")}};
}

QByteArray packBytes(const QList<FatItem>& items, const QList<QByteArray>& blocks)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    ContainerHeader(items, ContainerHeader::MAGIC, ContainerHeader::VERSION).saveToStream(stream);
    for (const QByteArray& block : blocks)
        stream << block;
    return bytes;
}

QString writePack(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("pack.ldat"));
    if (!writeFile(path, bytes))
        qFatal("cannot write the test pack");
    return path;
}

bool writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
        && file.write(contents) == contents.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool makeTree(const QString& root, const QMap<QString, QByteArray>& files)
{
    if (!QDir().mkpath(root))
        return false;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!writeFile(root + QLatin1Char('/') + it.key(), it.value()))
            return false;
    }
    return true;
}

bool packTree(const QString& container, const QMap<QString, QByteArray>& files)
{
    const QTemporaryDir tree;
    return makeTree(tree.path(), files) && FileContainerPacker::packDirectoryToContainer(tree.path(), container, {});
}

QMap<QString, QByteArray> treeOf(const QString& root)
{
    QMap<QString, QByteArray> tree;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString relative = base.relativeFilePath(entry.filePath());
        if (entry.isDir() && !entry.isSymLink())
            tree.insert(relative + QLatin1Char('/'), QByteArray());
        else
            tree.insert(relative, readFile(entry.filePath()));
    }
    return tree;
}

PermissionsEnforced::PermissionsEnforced()
    : m_header{_LINUX_CAPABILITY_VERSION_3, 0}
{
    if (syscall(SYS_capget, &m_header, m_saved) != 0)
        return;
    __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    m_active = syscall(SYS_capset, &m_header, reduced) == 0;
}

PermissionsEnforced::~PermissionsEnforced()
{
    if (m_active)
        syscall(SYS_capset, &m_header, m_saved);
}

} // namespace PackFixture
