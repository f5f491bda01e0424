#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

// What one download ended with. An error entry has an empty name and no data.
struct DownloadEntry
{
    QString name;
    QByteArray data;
    QByteArray lastModified;
};

Q_DECLARE_METATYPE(DownloadEntry)
