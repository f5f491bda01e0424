#pragma once

#include <QByteArray>
#include <QString>

namespace TestFiles {

// The file's bytes; empty when it cannot be read.
QByteArray read(const QString& path);
bool write(const QString& path, const QByteArray& content);

} // namespace TestFiles
