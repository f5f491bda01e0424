#include "BrandTestKit.h"

#include "ApiTestKit.h"

#include <QBuffer>
#include <QImage>
#include <QtEndian>

namespace {

// The CRC-32 a PNG chunk ends with.
quint32 crc32Of(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

QByteArray chunk(const QByteArray& type, const QByteArray& data)
{
    const QByteArray typed = type + data;
    return bigEndianWord(quint32(data.size())) + typed + bigEndianWord(crc32Of(typed));
}

} // namespace

QByteArray pngBytes(const QSize& size, const QColor& color)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QByteArray pngDeclaring(quint32 width, quint32 height)
{
    // 8-bit RGBA, no interlace.
    const QByteArray header = bigEndianWord(width) + bigEndianWord(height) + QByteArray("\x08\x06\x00\x00\x00", 5);
    return QByteArrayLiteral("\x89PNG\r\n\x1a\n") + chunk("IHDR", header) + chunk("IDAT", QByteArray(16, '\0'))
           + chunk("IEND", QByteArray());
}
