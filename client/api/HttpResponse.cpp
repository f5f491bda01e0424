#include "HttpResponse.h"

#include "HttpAccess.h"
#include "TransportRules.h"

#include <QDebug>
#include <QMetaEnum>
#include <QNetworkAccessManager>

QAtomicInt HttpResponse::current_unfinished_responses;

namespace {

QString errorName(QNetworkReply::NetworkError error)
{
    return QString::fromLatin1(QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error));
}

// The target, resolved against the request when relative, with the request's
// own query in place of any it has.
QUrl redirectUrl(const QUrl& from, const QUrl& target)
{
    QUrl next = from.resolved(target);
    next.setQuery(from.hasQuery() ? from.query(QUrl::FullyEncoded) : QString());
    return next;
}

} // namespace

HttpResponse::HttpResponse(QNetworkReply* reply, QIODevice* sink, HttpAccess* access)
    : sink(sink)
    , access(access)
    , sizeLimit(access ? access->replyLimit() : 0)
{
    if (reply && reply->isRunning()) {
        watch(reply);
        return;
    }
    // Its finished() is gone by: without a report of our own the caller would
    // wait for ever.
    this->reply = reply;
    aborted = true;
    if (reply)
        keepOutcome();
    if (outcome.error == QNetworkReply::NoError)
        outcome.error = QNetworkReply::OperationCanceledError;
    ended = true;
    qWarning().noquote() << "Reply had ended before it was watched:"
                         << (reply ? HttpAccess::loggedUrl(reply->url()) : QString());
    reportLater();
}

HttpResponse::~HttpResponse()
{
    abort();
    if (reply)
        reply->deleteLater();
}

void HttpResponse::watch(QNetworkReply* newReply)
{
    reply = newReply;
    ended = false;
    watching = true;
    current_unfinished_responses.ref();
    connect(newReply, &QNetworkReply::finished, this, &HttpResponse::onFinished);
    connect(newReply, &QNetworkReply::sslErrors, this, &HttpResponse::onSslErrors);
    connect(newReply, &QNetworkReply::uploadProgress, this, &HttpResponse::progress);
    connect(newReply, &QNetworkReply::downloadProgress, this, &HttpResponse::progress);
    connect(newReply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) { checkSize(received); });
    connect(newReply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid())
            checkSize(length.toLongLong());
    });
    if (sink)
        connect(newReply, &QIODevice::readyRead, this, &HttpResponse::saveData);
    connect(newReply, &QObject::destroyed, this, &HttpResponse::onReplyDestroyed);
    TransportRules::applyIgnoredCertificateErrors(newReply);
}

void HttpResponse::stopWatching()
{
    if (!watching)
        return;
    watching = false;
    current_unfinished_responses.deref();
}

bool HttpResponse::isRunning() const
{
    return watching && reply;
}

void HttpResponse::keepOutcome()
{
    outcome.error = reply->error();
    outcome.errorString = reply->errorString();
    outcome.headers = reply->rawHeaderPairs();
    ended = true;
}

bool HttpResponse::isOk() const
{
    return !aborted && reply && error() == QNetworkReply::NoError;
}

QNetworkReply::NetworkError HttpResponse::error() const
{
    return ended || !reply ? outcome.error : reply->error();
}

QString HttpResponse::qtErrorString() const
{
    return ended || !reply ? outcome.errorString : reply->errorString();
}

QByteArray HttpResponse::read() const
{
    if (!isOk())
        return QByteArray();
    if (sink)
        return sink->isReadable() ? sink->readAll() : QByteArray();
    return reply->readAll();
}

QNetworkReply* HttpResponse::getNetworkReply() const
{
    return isOk() ? reply.data() : nullptr;
}

QString HttpResponse::getHttpHeaders() const
{
    const auto headers = ended || !reply ? outcome.headers : reply->rawHeaderPairs();
    QString text;
    for (const auto& header : headers)
        text += QString::fromLatin1(header.first) + QLatin1Char(':') + QString::fromLatin1(header.second) + QLatin1Char('\n');
    return text;
}

void HttpResponse::abort()
{
    if (!isRunning())
        return;
    aborted = true;
    disconnect(reply, &QNetworkReply::finished, this, &HttpResponse::onFinished);
    stopWatching();
    reply->abort();
    keepOutcome();
}

void HttpResponse::abortReply()
{
    if (aborted || !isRunning())
        return;
    abort();
    qWarning().noquote() << "Aborted" << HttpAccess::loggedUrl(reply->url()) << " ";
    emit finished(this);
}

void HttpResponse::onFinished()
{
    if (aborted || !watching)
        return;
    stopWatching();
    keepOutcome();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    qDebug().noquote() << "Done" << HttpAccess::loggedUrl(reply->url());
    qDebug().noquote() << "Result:" << errorName(outcome.error)
                       << (outcome.error != QNetworkReply::NoError ? outcome.errorString + QLatin1Char(' ') : QString())
                              + QStringLiteral("| HttpStatusCode: %1").arg(status);
    if (outcome.error == QNetworkReply::UnknownNetworkError && access && current_unfinished_responses.loadAcquire() == 0)
        access->resetNet();
    if (status == 301 && followRedirect())
        return;
    emit finished(this);
}

bool HttpResponse::followRedirect()
{
    const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (target.isEmpty())
        return false;
    QNetworkRequest request = reply->request();
    const QUrl next = redirectUrl(request.url(), target);
    if (redirects == TransportRules::MaxRedirects) {
        fail(QNetworkReply::TooManyRedirectsError, QStringLiteral("More than %1 redirects").arg(TransportRules::MaxRedirects));
        return false;
    }
    if (!TransportRules::allowsRedirect(request.url(), next)) {
        fail(QNetworkReply::InsecureRedirectError, QStringLiteral("Redirect refused: ") + HttpAccess::loggedUrl(next));
        return false;
    }
    ++redirects;
    request.setUrl(next);
    // The GET carries no body: a Content-Length left from a POST would have the
    // server wait for one.
    request.setHeader(QNetworkRequest::ContentLengthHeader, QVariant());
    request.setHeader(QNetworkRequest::ContentTypeHeader, QVariant());
    qDebug().noquote() << "Redirected to:" << HttpAccess::loggedUrl(next);
    QNetworkAccessManager* manager = reply->manager();
    disconnect(reply, nullptr, this, nullptr);
    reply->deleteLater();
    watch(manager->get(request));
    return true;
}

void HttpResponse::fail(QNetworkReply::NetworkError error, const QString& text)
{
    outcome.error = error;
    outcome.errorString = text;
    ended = true;
    qWarning().noquote() << "Result:" << errorName(error) << text;
}

// A reply beyond the limit, announced or received, is cut off at once: a
// service (or anything posing as one) must not fill the client's memory.
void HttpResponse::checkSize(qint64 bytes)
{
    if (sizeLimit <= 0 || bytes <= sizeLimit || !isRunning())
        return;
    disconnect(reply, &QNetworkReply::finished, this, &HttpResponse::onFinished);
    stopWatching();
    reply->abort();
    keepOutcome();
    fail(QNetworkReply::UnknownContentError, QStringLiteral("Reply larger than %1 bytes").arg(sizeLimit));
    emit finished(this);
}

void HttpResponse::onReplyDestroyed()
{
    if (!watching)
        return;
    stopWatching();
    fail(QNetworkReply::OperationCanceledError, QStringLiteral("Network reply was destroyed before it finished"));
    reportLater();
}

void HttpResponse::reportLater()
{
    QMetaObject::invokeMethod(this, [this] { emit finished(this); }, Qt::QueuedConnection);
}

void HttpResponse::saveData()
{
    if (!sink)
        return;
    // The page of a redirect that is followed is not what the sink waits for.
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 301) {
        reply->readAll();
        return;
    }
    if (sink->isWritable()) {
        sink->write(reply->readAll());
        return;
    }
    qWarning().noquote() << "Failed to save data of" << HttpAccess::loggedUrl(reply->url()) << ": stream is not writable";
    disconnect(reply, &QIODevice::readyRead, nullptr, nullptr);
    sink = nullptr;
}

void HttpResponse::onSslErrors(const QList<QSslError>& errors)
{
    TransportRules::logCertificateErrors(errors);
}
