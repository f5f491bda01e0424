#pragma once

#include <QString>

// Where the service sees the client: its public address and the place. A null
// ip means the reply named none; an empty one, that it named an empty one.
struct Location
{
    QString ip;
    QString description;
    QString isoCountryCode;
};
