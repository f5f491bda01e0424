#pragma once

#include <QString>
#include <QStringList>

// The one-line XML form shared by every record that crosses the backend link:
// a version 1.0 document whose root holds one element per field, read back by
// position so older and newer peers with renamed children still agree.
namespace RecordXml {

QString write(const QString& root, const QStringList& elementNames, const QStringList& values);

// The field texts in order, or an empty list when the text is not a version 1.0
// document with that root. Missing children read as empty texts.
QStringList read(const QString& text, const QString& root, int fieldCount);

} // namespace RecordXml
