#pragma once

#include <QList>
#include <QPair>
#include <QString>

// One service for the store request: on or not, with setting values to keep.
struct SetService
{
    QString id;
    // Only services to be on are sent.
    bool state = false;
    // (setting id, value)
    QList<QPair<QString, QString>> settings;
};
