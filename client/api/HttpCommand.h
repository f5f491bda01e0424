#pragma once

#include "HttpRequest.h"

#include <QObject>
#include <QString>
#include <QTimer>

class HttpAccess;
class HttpResponse;
class QDomElement;

// The base of every service API command: sends its request through the shared
// access point, retries transport failures with a growing delay, refuses replies
// that are not plain XML, reads the service's result envelope and hands the
// result element to the command's readXml. The outcome comes as completed(bool);
// the service's own verdict is isSuccess(), resultCode() and resultText().
class HttpCommand : public QObject, protected HttpRequest
{
    Q_OBJECT
public:
    // The paths of the service API; "/service/" is followed by "get" or "set".
    static const QString MobilePath;
    static const QString SetupConnectionPath;
    static const QString ServicePath;
    static const QString DictionaryPath;

    // Deeper replies are refused before they are parsed.
    static constexpr int MaxXmlDepth = 64;
    static constexpr int AttemptTimeoutMs = 15000;

    // act is also the "act" parameter, unless empty.
    HttpCommand(const QString& act, const QString& path, QObject* parent = nullptr);
    ~HttpCommand() override;

    // Retries after the first attempt, the delay before the first retry and what
    // each retry adds to it, in milliseconds. Call before execute.
    void setupRetries(uint maxRetries, uint firstDelay, uint delayStep);
    // Runs the command with fresh retries; an earlier run still going ends here.
    void execute(HttpAccess* access);

    // The last attempt's QNetworkReply::NetworkError; -1 before any attempt.
    int error() const;
    QString qtErrorString() const;
    QString commandName() const;

    // The service's verdict, read after completed.
    bool isSuccess() const { return success; }
    int resultCode() const { return code; }
    QString resultText() const { return text; }

    // For tests that cannot wait for the real attempt time-out.
    void setAttemptTimeout(int ms) { attemptTimer.setInterval(ms); }

signals:
    void completed(bool success);
    void progress(qint64 bytesCurrent, qint64 bytesTotal);
    void retried(uint retryNumber);

protected:
    // Reads the command's own elements; the result becomes completed's argument.
    virtual bool readXml(const QDomElement& result) = 0;

    // A request parameter; an empty value goes as "key=", a null one too.
    void send(const QString& key, const QString& value);

    bool post = false;
    // Empty: a form.
    QString contentType;

private slots:
    void execute();
    void finished(HttpResponse* response);
    void onCommandTimeout();

private:
    void retryOrGiveUp();
    void readReply();

    bool success = false;
    QString text;
    int code = -1;
    HttpResponse* response = nullptr;
    const QString act;
    HttpAccess* access = nullptr;
    uint maxRetries = 5;
    uint retriesLeft = 0;
    uint firstRetryDelay = 2000;
    uint retryDelay = 1000;
    uint delayStep = 1000;
    QTimer attemptTimer;
    // A member, not a single shot: a new execute must be able to call it off.
    QTimer retryTimer;
};
