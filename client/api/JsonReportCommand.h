#pragma once

#include "AccountCommand.h"

#include <QStringList>

// A report to the service: a JSON body in a POST, while the identifying
// parameters travel in the URL query. Reads nothing from the reply.
class JsonReportCommand : public AccountCommand
{
    Q_OBJECT
protected:
    JsonReportCommand(const QString& act, const ClientAuthData& auth, std::initializer_list<Field> fields,
                      QObject* parent);

    // The body: the template with %1 to %9 each replaced by its own value, in
    // one pass, so that a value holding "%2" stays what it is. Values go in as
    // given: a string's content is escaped() first. Moves the parameters made
    // so far to the URL query.
    void sendJson(const QString& jsonTemplate, const QStringList& values);
    // The content of a JSON string, without the quotes around it.
    static QString escaped(const QString& value);

    bool readXml(const QDomElement& result) override;
};
