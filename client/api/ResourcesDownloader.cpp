#include "ResourcesDownloader.h"

#include "CacheEntry.h"
#include "HttpAccess.h"
#include "HttpRequest.h"
#include "HttpResponse.h"
#include "ResourcesCache.h"

#include <QDebug>
#include <QNetworkReply>
#include <QUrl>

namespace {

// Anything else would reach local files or resources of the program itself.
bool isWebAddress(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
           && !url.host().isEmpty();
}

} // namespace

ResourcesDownloader::ResourcesDownloader(QSharedPointer<HttpAccess> access, const QString& name, const QString& url,
                                         QObject* parent)
    : QObject(parent)
    , name(name)
    , url(url)
    , access(std::move(access))
{
    // First, so the flag is clear before any other receiver runs.
    connect(this, &ResourcesDownloader::onDownloaded, this, &ResourcesDownloader::unlock);
}

ResourcesDownloader::~ResourcesDownloader() = default;

QByteArray ResourcesDownloader::usableLastModified(const QByteArray& value)
{
    if (value.size() > MaxLastModifiedLength)
        return QByteArray();
    for (const char c : value) {
        if (c < 0x20 || c > 0x7e)
            return QByteArray();
    }
    return value;
}

bool ResourcesDownloader::isBusy()
{
    QMutexLocker locker(&busyLock);
    return busy;
}

void ResourcesDownloader::lock()
{
    QMutexLocker locker(&busyLock);
    busy = true;
}

void ResourcesDownloader::unlock()
{
    QMutexLocker locker(&busyLock);
    busy = false;
}

void ResourcesDownloader::emitError()
{
    emit onDownloaded(this, DownloadEntry());
}

void ResourcesDownloader::emitEntry(const QByteArray& data, const QByteArray& lastModified)
{
    emit onDownloaded(this, DownloadEntry{name, data, lastModified});
}

void ResourcesDownloader::cancel()
{
    if (response)
        response->abort();
}

void ResourcesDownloader::startDownload()
{
    if (isBusy()) {
        emitError();
        return;
    }
    lock();
    if (!isWebAddress(url)) {
        qCritical().noquote() << "ERROR" << "[resource's downloading] not a web address, url = " + url;
        emitError();
        return;
    }
    HttpRequest request;
    request.path = url;
    const CacheEntry entry = ResourcesCache<CacheEntry>::loadEntry(name);
    cachedLastModified.clear();
    cachedData.clear();
    if (!entry.isEmpty()) {
        cachedLastModified = entry.lastModified;
        cachedData = entry.data;
        const QByteArray since = usableLastModified(entry.lastModified);
        if (!since.isNull())
            request.rawHeaders.insert(QByteArrayLiteral("If-Modified-Since"), since);
    }
    response.reset(access->execute(&request, false, QString()));
    connect(response.get(), &HttpResponse::finished, this, &ResourcesDownloader::onFinished);
    connect(response.get(), &HttpResponse::progress, this, &ResourcesDownloader::onProgress);
}

void ResourcesDownloader::onFinished(HttpResponse* _response)
{
    if (!_response) {
        qDebug().noquote() << "[resource's downloading] response object is empty, url = " + url;
        emitError();
        return;
    }
    if (!_response->isOk()) {
        qCritical().noquote() << "ERROR" << "[resource's downloading] " + _response->qtErrorString() + ", url = " + url;
        emitError();
        return;
    }
    QNetworkReply* reply = _response->getNetworkReply();
    if (reply)
        reply->deleteLater();
    if (!reply || !reply->isReadable()) {
        qCritical().noquote() << "ERROR" << "[resource's downloading] reply is empty or not readable, url = " + url;
        emitError();
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    qDebug().noquote() << "[resource's downloading] HTTP " << status;
    if (status == 304) {
        if (cachedData.isEmpty()) {
            qCritical().noquote() << "ERROR" << "[resource's downloading] reply says 304 but cache is empty, url = " + url;
            emitError();
            return;
        }
        qDebug().noquote() << "[resource's downloading] fetched from cache name = " << name << " size = "
                           << cachedData.size();
        emitEntry(cachedData, cachedLastModified);
        return;
    }
    if (status != 200) {
        qCritical().noquote() << "ERROR" << "[resource's downloading] respoonse ERROR, HTTP = " << status
                              << ", url = " + url;
        emitError();
        return;
    }
    const QByteArray data = _response->read();
    const QByteArray lastModified = usableLastModified(reply->rawHeader("Last-Modified"));
    qDebug().noquote() << "[resource's downloading] downloaded" << " name = " << name << " size = " << data.size()
                       << " Last-Modified = " << lastModified;
    emitEntry(data, lastModified);
}
