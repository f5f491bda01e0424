#include "BrandImageDecoder.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// The format from the leading bytes alone; no other image plugin gets to see
// the data.
QByteArray formatOf(const QByteArray& data)
{
    if (data.startsWith(QByteArrayLiteral("\x89PNG\r\n\x1a\n")))
        return QByteArrayLiteral("png");
    if (data.startsWith(QByteArrayLiteral("\xff\xd8\xff")))
        return QByteArrayLiteral("jpeg");
    return QByteArray();
}

} // namespace

QImage BrandImageDecoder::decode(const QByteArray& data)
{
    const QByteArray format = formatOf(data);
    if (format.isEmpty())
        return QImage();
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > MaxSide || size.height() > MaxSide)
        return QImage();
    return reader.read();
}
