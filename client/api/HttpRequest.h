#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// One request to a service, as HttpAccess sends it. The maps iterate in key
// order and that is the order on the wire, whatever order they were filled in.
class HttpRequest
{
public:
    // Appended to the access point's base URL as it is.
    QString path;
    // The URL query of a GET, the form body of a POST.
    QMap<QString, QString> params;
    // Always in the URL query, ahead of params.
    QMap<QString, QString> urlQuery;
    // The body of a POST without params.
    QByteArray body;
    // Sent after the fixed headers, each replacing one of the same name.
    QMap<QByteArray, QByteArray> rawHeaders;
};
