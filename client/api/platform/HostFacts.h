#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// What the host probes learn about the machine. The probes decide what to make of
// it and what to send; an implementation only reports what is there.
class HostFacts
{
public:
    virtual ~HostFacts() = default;

    // The machine's 128-bit id, 16 bytes; empty when it has none that is usable.
    virtual QByteArray machineId() = 0;
    // A hardware identity attribute: "product_serial", "board_serial" or
    // "product_name". Empty when the machine does not tell this user.
    virtual QString hardwareAttribute(const QString& name) = 0;
    // The operating system's identification ("NAME", "VERSION_ID", "PRETTY_NAME",
    // ...), values without their quoting.
    virtual QMap<QString, QString> osRelease() = 0;
    virtual QString kernelRelease() = 0;
    virtual QString hostName() = 0;
    // The standard output of a program found on the search path and run with the
    // arguments; none when the program is not there, and then nothing is started.
    virtual std::optional<QString> programOutput(const QString& program, const QStringList& arguments) = 0;
};
