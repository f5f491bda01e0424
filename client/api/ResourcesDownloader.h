#pragma once

#include "DownloadEntry.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QSharedPointer>
#include <QString>

#include <memory>

class HttpAccess;
class HttpResponse;

// Fetches one brand resource with a conditional GET whose "If-Modified-Since"
// comes from the cache, so an unchanged resource costs an empty 304. Reports
// each start with exactly one onDownloaded.
class ResourcesDownloader : public QObject
{
    Q_OBJECT
public:
    // Longer values are no date a server sends; they are neither kept nor sent.
    static constexpr int MaxLastModifiedLength = 128;

    ResourcesDownloader(QSharedPointer<HttpAccess> access, const QString& name, const QString& url,
                        QObject* parent = nullptr);
    ~ResourcesDownloader() override;

    void startDownload();
    void lock();
    void emitError();
    // Stops a running request; nothing is reported for it.
    void cancel();

    // A "Last-Modified" value as it may be kept and sent back: printable ASCII
    // of at most MaxLastModifiedLength bytes, else null.
    static QByteArray usableLastModified(const QByteArray& value);

signals:
    void onDownloaded(ResourcesDownloader* downloader, DownloadEntry downloadEntry);
    void onProgress(qint64 bytesCurrent, qint64 bytesTotal);

public slots:
    void onFinished(HttpResponse* _response);
    void unlock();

private:
    bool isBusy();
    void emitEntry(const QByteArray& data, const QByteArray& lastModified);

    const QString name;
    const QString url;
    bool busy = false;
    QByteArray cachedLastModified;
    QByteArray cachedData;
    QMutex busyLock;
    // Declared first so that it goes last: the response's reply lives in it.
    QSharedPointer<HttpAccess> access;
    std::unique_ptr<HttpResponse> response;
};
