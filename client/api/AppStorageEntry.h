#pragma once

#include <QString>

class QDataStream;

// The credentials kept for one application id, in the order they are stored.
struct AppStorageEntry
{
    QString appId;
    QString userEmail;
    QString userPassword;
    QString serial;

    // Four strings, each a 32-bit big-endian byte length (0xFFFFFFFF for a null
    // string) and its UTF-16 code units.
    void writeTo(QDataStream& stream) const;
    // False, with the entry unspecified, when the data ends inside it or a
    // length is impossible; nothing is allocated beyond what the data holds.
    bool readFrom(QDataStream& stream);
};
