#pragma once

#include "HostFacts.h"

// A machine the test describes; it records which programs were started.
class FakeHostFacts : public HostFacts
{
public:
    QByteArray machineId() override { return id; }
    QString hardwareAttribute(const QString& name) override { return attributes.value(name); }
    QMap<QString, QString> osRelease() override { return release; }
    QString kernelRelease() override { return kernel; }
    QString hostName() override { return host; }
    std::optional<QString> programOutput(const QString& program, const QStringList& arguments) override
    {
        if (!programs.contains(program))
            return std::nullopt;
        started << (QStringList{program} + arguments).join(QLatin1Char(' '));
        return programs.value(program);
    }

    QByteArray id;
    QMap<QString, QString> attributes;
    QMap<QString, QString> release;
    QString kernel;
    QString host;
    // Installed programs and what they print.
    QMap<QString, QString> programs;
    // Every program started, with its arguments, blank-separated.
    QStringList started;
};
