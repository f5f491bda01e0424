#include "HttpTestKit.h"

#include <HttpAccess.h>
#include <HttpResponse.h>

#include <QDomElement>
#include <QSignalSpy>

ProbeCommand::ProbeCommand(const QString& act, bool post, const QMap<QString, QString>& extraParams)
    : HttpCommand(act, MobilePath)
{
    this->post = post;
    for (auto it = extraParams.cbegin(); it != extraParams.cend(); ++it)
        params.insert(it.key(), it.value());
}

bool ProbeCommand::readXml(const QDomElement& result)
{
    readXmlCalls << result.tagName();
    return readXmlAnswer;
}

std::unique_ptr<HttpResponse> finishedResponse(HttpAccess& access, HttpRequest& request, bool post,
                                               const QString& contentType, int timeoutMs)
{
    std::unique_ptr<HttpResponse> response(access.execute(&request, post, contentType));
    QSignalSpy finished(response.get(), &HttpResponse::finished);
    if (!finished.wait(timeoutMs))
        return nullptr;
    return response;
}
