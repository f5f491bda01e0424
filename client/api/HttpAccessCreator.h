#pragma once

#include <QSharedPointer>
#include <QString>

class HttpAccess;
class QObject;

// The service API's access point and its address.
class HttpAccessCreator
{
public:
    // The built-in address, or the one in "licenseserver" in the data folder when
    // that holds an absolute https URL; without a final "/".
    static QString GetAccessUrl();
    // The service's own address, as shipped, whatever the data folder overrides.
    static QString BuiltInUrl();
    // A new access point on GetAccessUrl(). It goes with the last shared pointer
    // or with its parent, whichever is first.
    static QSharedPointer<HttpAccess> serverApi(QObject* parent);
};
