#pragma once

#include "FatItem.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include <linux/capability.h>

// Packs made by hand for the tests, and the trees they come from.
namespace PackFixture {

// The reference pack: "translation.qm" at the root and one image in images/ui.
QByteArray referencePack();
// The tree that gives the reference pack: file paths relative to the root, and their contents.
QMap<QString, QByteArray> referenceTree();

// A pack of the given directory and data blocks, written as a writer would; a null block is stored as "no block".
QByteArray packBytes(const QList<FatItem>& items, const QList<QByteArray>& blocks);

// Writes the bytes as "pack.ldat" in dir and returns its path.
QString writePack(const QTemporaryDir& dir, const QByteArray& bytes);

bool writeFile(const QString& path, const QByteArray& contents);
QByteArray readFile(const QString& path);
bool makeTree(const QString& root, const QMap<QString, QByteArray>& files);
// Packs the tree of files (paths relative to the root) into container, the way a shipped pack is made.
bool packTree(const QString& container, const QMap<QString, QByteArray>& files);
// Every file below root, by its path relative to root, with its contents; folders end in "/".
QMap<QString, QByteArray> treeOf(const QString& root);

// Root reads and writes past permission bits; while this lives, the process obeys them like anyone else.
class PermissionsEnforced
{
public:
    PermissionsEnforced();
    ~PermissionsEnforced();
    PermissionsEnforced(const PermissionsEnforced&) = delete;
    PermissionsEnforced& operator=(const PermissionsEnforced&) = delete;

private:
    bool m_active = false;
    __user_cap_header_struct m_header;
    __user_cap_data_struct m_saved[2];
};

} // namespace PackFixture
