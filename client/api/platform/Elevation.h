#pragma once

#include <QString>
#include <QStringList>

// Runs a program as the administrator once the system has asked the user to
// allow it. The caller judges the outcome.
class Elevation
{
public:
    struct Outcome
    {
        bool finished = false;  // it ran to its end, within the time a person needs
        int exitCode = -1;      // meaningful when finished
        QString output;         // the program's standard output
        QString errorOutput;    // standard error, or why it did not run
    };

    virtual ~Elevation() = default;
    virtual Outcome runAsAdministrator(const QString& program, const QStringList& arguments) = 0;
};
