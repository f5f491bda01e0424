#include "FileHttpRequest.h"

#include "HttpAccess.h"
#include "TransportRules.h"

#include <QDebug>
#include <QEventLoop>
#include <QMetaEnum>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

FileHttpRequest::FileHttpRequest(const QString& url)
    : url(url)
{
    TransportRules::trustExtraCertificates();
}

// The manager takes its replies along.
FileHttpRequest::~FileHttpRequest() = default;

int FileHttpRequest::get(int timeoutMs)
{
    QUrl current(url, QUrl::TolerantMode);
    QNetworkRequest request;
    int status = 0;
    for (int redirects = 0;; ++redirects) {
        request.setUrl(current);
        waitForReply(request, timeoutMs);
        const QString shown = HttpAccess::loggedUrl(current);
        if (!lastReply) {
            qWarning().noquote() << "Request to" << shown << "failed";
            return Failed;
        }
        if (lastReply->isRunning()) {
            lastReply->abort();
            qWarning().noquote() << "Request to" << shown << "timed out";
            return TimedOut;
        }
        if (tooLarge) {
            qWarning().noquote() << "Reply of" << shown << "is larger than" << BodyLimit << "bytes";
            return Failed;
        }
        status = lastReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        qDebug().noquote() << "Result:" << status << "error:"
                           << QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(lastReply->error());
        if (status != 301)
            break;
        const QUrl next = redirectTarget(current, redirects);
        if (next.isEmpty())
            break;
        current = next;
        qDebug().noquote() << "Redirected to:" << HttpAccess::loggedUrl(current);
    }
    if (status == 200)
        return status;
    qWarning().noquote() << "Error while doing request to " << HttpAccess::loggedUrl(current) << "result" << status
                         << "error" << int(lastReply->error());
    return status;
}

// A relative target is resolved against the URL that answered, an absolute one
// replaces it, query and all. Empty when the redirect is not to be followed.
QUrl FileHttpRequest::redirectTarget(const QUrl& current, int redirectsSoFar) const
{
    const QUrl target = lastReply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (target.isEmpty())
        return QUrl();
    const QUrl next = current.resolved(target);
    if (redirectsSoFar == TransportRules::MaxRedirects) {
        qWarning().noquote() << "More than" << TransportRules::MaxRedirects << "redirects";
        return QUrl();
    }
    if (!TransportRules::allowsRedirect(current, next)) {
        qWarning().noquote() << "Redirect refused:" << HttpAccess::loggedUrl(next);
        return QUrl();
    }
    return next;
}

void FileHttpRequest::waitForReply(const QNetworkRequest& request, int timeoutMs)
{
    delete lastReply;
    lastReply = nullptr;
    tooLarge = false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&manager, &QNetworkAccessManager::finished, &loop, &QEventLoop::quit);
    lastReply = manager.get(request);
    if (!lastReply)
        return;
    connect(lastReply, &QNetworkReply::sslErrors, this, &FileHttpRequest::onSslErrors);
    TransportRules::applyIgnoredCertificateErrors(lastReply);
    guardSize();
    timer.start(timeoutMs);
    if (!lastReply->isFinished())
        loop.exec();
    timer.stop();
}

// Announced or received, a body beyond the limit ends the reply at once: what
// answers must not fill the memory of a diagnostic that only looks for a word.
void FileHttpRequest::guardSize()
{
    QNetworkReply* reply = lastReply;
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
        if (tooLarge || (received <= BodyLimit && total <= BodyLimit))
            return;
        tooLarge = true;
        reply->abort();
    });
}

void FileHttpRequest::onSslErrors(const QList<QSslError>& errors)
{
    TransportRules::logCertificateErrors(errors);
}
