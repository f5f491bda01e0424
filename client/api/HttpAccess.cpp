#include "HttpAccess.h"

#include "AppConstants.h"
#include "HttpRequest.h"
#include "HttpResponse.h"
#include "PlatformNames.h"
#include "SecretMasking.h"
#include "TransportRules.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QUrlQuery>

namespace {

// The service reads "+" as a blank and decodes every "%XX", while QUrlQuery lets
// "+" and valid escapes through as they are: both are escaped here, so every key
// and value arrives as it was given.
QString escaped(QString text)
{
    return text.replace(QLatin1Char('%'), QLatin1String("%25")).replace(QLatin1Char('+'), QLatin1String("%2B"));
}

void addItems(QUrlQuery& query, const QMap<QString, QString>& items)
{
    for (auto it = items.cbegin(); it != items.cend(); ++it)
        query.addQueryItem(escaped(it.key()), escaped(it.value()));
}

QByteArray userAgent()
{
    return QStringLiteral("%1.%2/%3 %4")
        .arg(gApplicationName, QStringLiteral("GIT_VERSION"), PlatformNames::userAgentSystem)
        .arg(PlatformNames::userAgentVersion)
        .toLatin1();
}

} // namespace

HttpAccess::HttpAccess(const QString& baseUrl, QObject* parent)
    : QObject(parent)
    , baseUrl(baseUrl)
{
    TransportRules::trustExtraCertificates();
}

HttpResponse* HttpAccess::execute(HttpRequest* request, bool post, const QString& contentType)
{
    QUrl url(baseUrl + request->path, QUrl::TolerantMode);
    QUrlQuery query;
    addItems(query, request->urlQuery);
    QByteArray body;
    if (post) {
        QUrlQuery form;
        addItems(form, request->params);
        body = form.query().toUtf8();
        if (body.isEmpty())
            body = request->body;
    } else {
        addItems(query, request->params);
    }
    if (query.isEmpty())
        url.setQuery(QString());
    else
        url.setQuery(query);

    QNetworkRequest networkRequest(url);
    networkRequest.setRawHeader("Connection", "close");
    networkRequest.setRawHeader("User-Agent", userAgent());
    if (post)
        networkRequest.setHeader(QNetworkRequest::ContentTypeHeader,
                                 contentType.isEmpty() ? QStringLiteral("application/x-www-form-urlencoded") : contentType);
    for (auto it = request->rawHeaders.cbegin(); it != request->rawHeaders.cend(); ++it)
        networkRequest.setRawHeader(it.key(), it.value());

    qDebug().noquote() << "\n =====> Requesting" << loggedUrl(url) << " \n";
    QNetworkReply* reply = post ? net()->post(networkRequest, body) : net()->get(networkRequest);
    return new HttpResponse(reply, nullptr, this);
}

QNetworkAccessManager* HttpAccess::net()
{
    if (!manager)
        resetNet();
    return manager;
}

void HttpAccess::resetNet()
{
    if (manager) {
        if (managerAge.elapsed() <= 1000)
            return;
        qCritical("Refreshing network access manager.");
        manager->deleteLater();
    }
    manager = new QNetworkAccessManager(this);
    managerAge.start();
}

QString HttpAccess::loggedUrl(const QUrl& url)
{
    return maskSecrets(QString::fromUtf8(url.toEncoded()));
}
