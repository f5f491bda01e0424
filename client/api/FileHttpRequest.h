#pragma once

#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSslError>
#include <QString>
#include <QUrl>

class QNetworkReply;
class QNetworkRequest;

// Fetches one URL with a blocking call, for diagnostics that may run on any
// thread: a network manager of its own, a local event loop while it waits.
// Follows permanent redirects by the transport's rules and verifies
// certificates as the service API does. Belongs to the thread that made it.
class FileHttpRequest : public QObject
{
    Q_OBJECT
public:
    // Status codes of a fetch that ended without one of the server's.
    static constexpr int Failed = 500;
    static constexpr int TimedOut = 598;
    // A body beyond this is cut off and the fetch fails: the pages fetched are a
    // few bytes.
    static constexpr qint64 BodyLimit = 1024 * 1024;

    explicit FileHttpRequest(const QString& url);
    ~FileHttpRequest() override;

    // The final HTTP status: 200, the first status that is not a followed 301,
    // 0 when no server answered (a failed handshake included), TimedOut when one
    // step took longer than timeoutMs, Failed for a body beyond BodyLimit.
    int get(int timeoutMs);
    // One GET, its reply replacing the last one; returns when it ended or
    // timeoutMs passed, whichever came first.
    void waitForReply(const QNetworkRequest& request, int timeoutMs);

    // The last reply, readable until the next get or the object's end; null
    // before the first.
    QNetworkReply* reply() const { return lastReply; }

private slots:
    void onSslErrors(const QList<QSslError>& errors);

private:
    QUrl redirectTarget(const QUrl& current, int redirectsSoFar) const;
    void guardSize();

    QNetworkAccessManager manager;
    const QString url;
    QNetworkReply* lastReply = nullptr;
    bool tooLarge = false;
};
