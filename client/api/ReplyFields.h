#pragma once

#include <QDateTime>
#include <QString>

class QDomElement;

// How the service's replies spell their values. An element is the first child
// of that name directly under the one given; a missing one reads as empty text.
// Texts are taken as they are, never trimmed.
namespace ReplyFields {

QString text(const QDomElement& parent, const QString& name);
// An unsigned decimal number; 0 when the text is not one or does not fit.
quint32 unsignedNumber(const QString& text);
// A signed decimal number that fits 32 bits; fallback when the text is not one.
qint32 signedNumber(const QString& text, qint32 fallback = 0);
// A decimal number; 0 when the text is not one or not a finite one.
double decimal(const QString& text);
// A password time stamp: the low 32 bits of an unsigned decimal number of
// seconds since the start of 1970 in UTC, in local time. Invalid for an empty
// text or one that is not such a number.
QDateTime passwordTime(const QString& text);

} // namespace ReplyFields
