#pragma once

#include <HttpCommand.h>

#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

class HttpAccess;
class HttpResponse;

// A command of the service's shape with no meaning of its own, for exercising
// the command base: GET (or POST) on "/mobile/licMobile" with its act, "fmt" and
// the extra params given.
class ProbeCommand : public HttpCommand
{
    Q_OBJECT
public:
    explicit ProbeCommand(const QString& act = QStringLiteral("probe"), bool post = false,
                          const QMap<QString, QString>& extraParams = {});

    // What readXml answers.
    bool readXmlAnswer = true;
    // The tag of every element readXml was given.
    QStringList readXmlCalls;

protected:
    bool readXml(const QDomElement& result) override;
};

// Sends the request and waits for the response's finished; null when it did not
// come within timeoutMs.
std::unique_ptr<HttpResponse> finishedResponse(HttpAccess& access, HttpRequest& request, bool post = false,
                                               const QString& contentType = {}, int timeoutMs = 10000);
