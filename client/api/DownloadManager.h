#pragma once

#include "DownloadEntry.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QSharedPointer>
#include <QTimer>

class HttpAccess;
class ResourcesDownloader;

// Runs the downloads of one brand reply side by side on an access point of its
// own, collects what they end with and reports once all have ended, or when the
// time limit is reached (and again when a late one ends then).
class DownloadManager : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 60000;

    explicit DownloadManager(QObject* parent = nullptr);
    ~DownloadManager() override;

    void addDownload(const QString& name, const QString& url);
    void startDownloading();
    // Ends the round: its running downloads are stopped and nothing of it
    // reports any more.
    void clear();
    QList<DownloadEntry>& getDownloads() { return completed; }
    void addActiveDownload(ResourcesDownloader* downloader);
    void removeActiveDownload(ResourcesDownloader* downloader);
    void addCompletedDownload(const DownloadEntry& entry);
    int countActivated() const;
    int countCompleted() const;

    // For tests that cannot wait a minute.
    void setTimeoutInterval(int ms) { timer.setInterval(ms); }

signals:
    void allAreCompleted();

public slots:
    void onDownloaded(ResourcesDownloader* downloader, DownloadEntry downloadEntry);
    void onTimeout();

private:
    QList<ResourcesDownloader*> active;
    QList<DownloadEntry> completed;
    QSharedPointer<HttpAccess> access;
    mutable QMutex activeLock;
    mutable QMutex completedLock;
    QTimer timer;
};
