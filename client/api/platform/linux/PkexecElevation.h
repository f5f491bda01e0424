#pragma once

#include "Elevation.h"

// Asks through pkexec, whose dialog the desktop's authentication agent shows.
// pkexec exits with 126 when the dialog was dismissed and with 127 when it could
// not authorise (its complaint is on standard error).
class PkexecElevation : public Elevation
{
public:
    static constexpr int DialogDismissed = 126;
    static constexpr int NotAuthorised = 127;
    // A person reads the dialog and types a password: minutes, not seconds.
    static constexpr int TimeLimitMs = 10 * 60 * 1000;

    Outcome runAsAdministrator(const QString& program, const QStringList& arguments) override;
};
