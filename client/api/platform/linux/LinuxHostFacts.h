#pragma once

#include "HostFacts.h"

// Reads the facts from the files a Linux system keeps them in, below a root
// folder ("/" for the machine itself); programs come from the search path.
class LinuxHostFacts : public HostFacts
{
public:
    explicit LinuxHostFacts(const QString& root = QStringLiteral("/"));

    QByteArray machineId() override;
    QString hardwareAttribute(const QString& name) override;
    QMap<QString, QString> osRelease() override;
    QString kernelRelease() override;
    QString hostName() override;
    std::optional<QString> programOutput(const QString& program, const QStringList& arguments) override;

private:
    QByteArray read(const QString& path) const;

    QString root;
};
