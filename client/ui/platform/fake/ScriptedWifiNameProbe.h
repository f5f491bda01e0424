#pragma once

#include "WifiNameProbe.h"

#include <QMap>

// Answers from a table the test fills, and counts the questions.
class ScriptedWifiNameProbe : public WifiNameProbe
{
public:
    QStringList devices;
    // device -> its network's name; a device not listed names nothing.
    QMap<QString, QString> names;
    int questions = 0;

    QStringList activeDevices() override { return devices; }
    QString networkName(const QString& device, int) override
    {
        ++questions;
        return names.value(device);
    }
};
