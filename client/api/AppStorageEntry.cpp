#include "AppStorageEntry.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

namespace {

constexpr quint32 NullLength = 0xFFFFFFFF;

// A length word larger than what follows it would have the string reader set
// aside that much room before it finds out.
bool readString(QDataStream& stream, QString& text)
{
    QIODevice* device = stream.device();
    const QByteArray lengthWord = device->peek(4);
    if (lengthWord.size() != 4)
        return false;
    const quint32 length = qFromBigEndian<quint32>(lengthWord.constData());
    if (length != NullLength && (length % 2 != 0 || qint64(length) > device->bytesAvailable() - 4))
        return false;
    stream >> text;
    return stream.status() == QDataStream::Ok;
}

} // namespace

void AppStorageEntry::writeTo(QDataStream& stream) const
{
    stream << appId << userEmail << userPassword << serial;
}

bool AppStorageEntry::readFrom(QDataStream& stream)
{
    return readString(stream, appId) && readString(stream, userEmail) && readString(stream, userPassword)
           && readString(stream, serial);
}
