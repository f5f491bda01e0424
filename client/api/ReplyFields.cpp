#include "ReplyFields.h"

#include <QDomElement>

#include <cmath>

namespace ReplyFields {

QString text(const QDomElement& parent, const QString& name)
{
    return parent.firstChildElement(name).text();
}

quint32 unsignedNumber(const QString& text)
{
    bool ok = false;
    const uint number = text.toUInt(&ok, 10);
    return ok ? number : 0;
}

qint32 signedNumber(const QString& text, qint32 fallback)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    return ok ? number : fallback;
}

double decimal(const QString& text)
{
    bool ok = false;
    const double number = text.toDouble(&ok);
    // "inf" and "nan" are numbers to the parser, not to anything that counts.
    return ok && std::isfinite(number) ? number : 0;
}

QDateTime passwordTime(const QString& text)
{
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok, 10);
    if (!ok)
        return QDateTime();
    // The service counts in 32 bits; what lies above them is not a time.
    return QDateTime::fromSecsSinceEpoch(qint64(quint32(number)), Qt::UTC).toLocalTime();
}

} // namespace ReplyFields
