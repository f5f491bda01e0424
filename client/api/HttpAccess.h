#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class HttpRequest;
class HttpResponse;
class QNetworkAccessManager;
class QUrl;

// An access point bound to one base URL: sends requests with the client's fixed
// headers through a network manager of its own and hands back a response that
// watches the reply.
class HttpAccess : public QObject
{
    Q_OBJECT
public:
    // Service replies are read whole; nothing the client asks for is larger.
    static constexpr qint64 DefaultReplyLimit = 4 * 1024 * 1024;

    // An empty baseUrl makes every path a full URL. The first access point or page
    // fetch of the process adds the certificates in "<application folder>/certs/*.pem"
    // to the trusted ones.
    explicit HttpAccess(const QString& baseUrl, QObject* parent = nullptr);

    // The caller owns the response. Keys and values of params and url query reach
    // the service as they are, "+" and "%" included.
    HttpResponse* execute(HttpRequest* request, bool post, const QString& contentType);

    QNetworkAccessManager* net();
    // Makes the first manager, or a new one in place of one older than 1000 ms.
    void resetNet();

    // Replies announced or grown beyond this many bytes fail; downloads of larger
    // files set their own access point's limit.
    qint64 replyLimit() const { return limit; }
    void setReplyLimit(qint64 bytes) { limit = bytes; }

    // The URL as a log line may show it: encoded, secrets masked.
    static QString loggedUrl(const QUrl& url);

private:
    QElapsedTimer managerAge;
    QNetworkAccessManager* manager = nullptr;
    const QString baseUrl;
    qint64 limit = DefaultReplyLimit;
};
