#pragma once

#include <QAtomicInt>
#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSslError>

class HttpAccess;
class QIODevice;

// Watches one network reply to its end: follows permanent redirects, keeps the
// reply within the access point's size limit, logs the outcome and reports
// `finished` exactly once. What the reply ended with stays readable after the
// reply itself is gone (it dies with a renewed network manager).
class HttpResponse : public QObject
{
    Q_OBJECT
public:
    // Replies watched program-wide that have neither finished nor been aborted.
    static QAtomicInt current_unfinished_responses;

    // sink and access may be null. With a sink, data is written there as it
    // arrives. A reply that has already ended is reported once, later, as failed.
    HttpResponse(QNetworkReply* reply, QIODevice* sink, HttpAccess* access);
    ~HttpResponse() override;

    bool isOk() const;
    QNetworkReply::NetworkError error() const;
    QString qtErrorString() const;
    // The body; empty unless the reply succeeded. Without a sink this consumes
    // what has arrived.
    QByteArray read() const;
    QNetworkReply* getNetworkReply() const;
    // "Name:value\n" for every header of the reply, in its order.
    QString getHttpHeaders() const;

    // Stops a running reply without reporting.
    void abort();
    // Stops a running reply and reports `finished`, as failed.
    void abortReply();

signals:
    void finished(HttpResponse* response);
    void progress(qint64 bytesCurrent, qint64 bytesTotal);

private slots:
    void onFinished();
    void onSslErrors(const QList<QSslError>& errors);
    void saveData();

private:
    struct Outcome
    {
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QString errorString;
        QList<QPair<QByteArray, QByteArray>> headers;
    };

    void watch(QNetworkReply* reply);
    void stopWatching();
    bool isRunning() const;
    void keepOutcome();
    // True when a new reply now runs in the old one's place.
    bool followRedirect();
    void fail(QNetworkReply::NetworkError error, const QString& text);
    void checkSize(qint64 bytes);
    void onReplyDestroyed();
    void reportLater();

    QPointer<QNetworkReply> reply;
    QPointer<QIODevice> sink;
    QPointer<HttpAccess> access;
    bool aborted = false;
    // This response counts in current_unfinished_responses.
    bool watching = false;
    qint64 sizeLimit = 0;
    int redirects = 0;
    // Set once the reply ended, or when this response ended it itself.
    bool ended = false;
    Outcome outcome;
};
