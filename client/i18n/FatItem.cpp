#include "FatItem.h"

#include <QDataStream>

FatItem::FatItem(const QString& name, Type type, quint32 index, const QString& path)
    : name(name)
    , type(type)
    , index(index)
    , path(path)
{
}

bool FatItem::isNull() const
{
    return name.isEmpty() && path.isEmpty() && index == INVALIDE_FILE_INDEX;
}

QString FatItem::fullPath() const
{
    return path.endsWith(QLatin1Char('/')) ? path + name : path + QLatin1Char('/') + name;
}

QDataStream& operator<<(QDataStream& stream, const FatItem& item)
{
    return stream << item.name << item.path << quint32(item.type) << item.index;
}

QDataStream& operator>>(QDataStream& stream, FatItem& item)
{
    quint32 type = 0;
    stream >> item.name >> item.path >> type >> item.index;
    item.type = FatItem::Type(type);
    return stream;
}
