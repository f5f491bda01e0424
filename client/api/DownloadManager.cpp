#include "DownloadManager.h"

#include "HttpAccess.h"
#include "ResourcesDownloader.h"

#include <QDebug>

DownloadManager::DownloadManager(QObject* parent)
    : QObject(parent)
    , access(new HttpAccess(QString()))
{
    timer.setSingleShot(true);
    timer.setInterval(DefaultTimeoutMs);
    connect(&timer, &QTimer::timeout, this, &DownloadManager::onTimeout);
    connect(this, &DownloadManager::allAreCompleted, &timer, &QTimer::stop);
}

DownloadManager::~DownloadManager()
{
    clear();
}

void DownloadManager::addDownload(const QString& name, const QString& url)
{
    // A child, so that none outlives the manager and its access point.
    auto* downloader = new ResourcesDownloader(access, name, url, this);
    connect(downloader, &ResourcesDownloader::onDownloaded, this, &DownloadManager::onDownloaded);
    addActiveDownload(downloader);
}

void DownloadManager::startDownloading()
{
    QList<ResourcesDownloader*> round;
    {
        QMutexLocker locker(&activeLock);
        round = active;
    }
    if (round.isEmpty()) {
        qDebug().noquote() << "[resource's downloading] nothing to download";
        emit allAreCompleted();
        return;
    }
    // Without the lock: a download that fails at once reports through
    // onDownloaded, which takes it.
    for (ResourcesDownloader* downloader : qAsConst(round))
        downloader->startDownload();
    // When every download failed at once the report is out already; a timer
    // started now would only report a second time, a minute later.
    if (countActivated() == 0)
        return;
    timer.start();
    qDebug().noquote() << "[resource's downloading] brand resource's downloading is started";
}

void DownloadManager::clear()
{
    timer.stop();
    QMutexLocker activeLocker(&activeLock);
    for (ResourcesDownloader* downloader : qAsConst(active)) {
        disconnect(downloader, nullptr, this, nullptr);
        downloader->cancel();
        downloader->deleteLater();
    }
    active.clear();
    QMutexLocker completedLocker(&completedLock);
    completed.clear();
}

void DownloadManager::addActiveDownload(ResourcesDownloader* downloader)
{
    QMutexLocker locker(&activeLock);
    active.append(downloader);
}

void DownloadManager::removeActiveDownload(ResourcesDownloader* downloader)
{
    QMutexLocker locker(&activeLock);
    active.removeOne(downloader);
}

void DownloadManager::addCompletedDownload(const DownloadEntry& entry)
{
    QMutexLocker locker(&completedLock);
    completed.append(entry);
}

int DownloadManager::countActivated() const
{
    QMutexLocker locker(&activeLock);
    return active.size();
}

int DownloadManager::countCompleted() const
{
    QMutexLocker locker(&completedLock);
    return completed.size();
}

void DownloadManager::onDownloaded(ResourcesDownloader* downloader, DownloadEntry downloadEntry)
{
    removeActiveDownload(downloader);
    // Released once its report has returned; it has nothing more to say.
    disconnect(downloader, nullptr, this, nullptr);
    downloader->deleteLater();
    addCompletedDownload(downloadEntry);
    if (countActivated() == 0)
        emit allAreCompleted();
}

void DownloadManager::onTimeout()
{
    qCritical().noquote() << "ERROR" << "[resource's downloading] timeout(" << timer.interval() / 1000
                          << " sec. ) is reached!";
    emit allAreCompleted();
}
