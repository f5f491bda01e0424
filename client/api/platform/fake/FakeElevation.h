#pragma once

#include "Elevation.h"

// Answers with the outcome the test sets and records every request.
class FakeElevation : public Elevation
{
public:
    Outcome runAsAdministrator(const QString& program, const QStringList& arguments) override
    {
        requests << (QStringList{program} + arguments);
        return outcome;
    }

    Outcome outcome;
    QList<QStringList> requests;
};
