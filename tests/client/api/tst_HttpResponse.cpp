#include "ApiTestKit.h"
#include "HttpTestKit.h"

#include <HttpAccess.h>
#include <HttpRequest.h>
#include <HttpResponse.h>
#include <PrivateNamespaces.h>
#include <StandInService.h>
#include <TransportRules.h>

#include <QBuffer>
#include <QNetworkAccessManager>
#include <QtTest>

#include <memory>

using Map = QMap<QString, QString>;

namespace {

// How long a test waits for an answer that should come at once: room for a loaded
// machine under the sanitizers, never a measure of speed.
const int AnswerWaitMs = 30000;

// Off-link in a network namespace of loopback alone: connecting fails at once
// with "Network unreachable", which the network layer reports as UnknownNetworkError.
const QString Unroutable = QStringLiteral("http://10.255.255.1:9");

QByteArrayList methodsAndTargets(const QList<StandInRequest>& requests)
{
    QByteArrayList lines;
    for (const StandInRequest& request : requests)
        lines << request.method + ' ' + request.target;
    return lines;
}

} // namespace

class tst_HttpResponse : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void redirect_data();
    void redirect();
    void redirectsEndAfterTwenty();
    void unfinishedCount_data();
    void unfinishedCount();
    void abortReplyAfterTheEndIsSilent();
    void replyThatHasAlreadyEndedReportsOnceAsFailed();
    void outcomeOutlivesTheReply();
    void replyDestroyedWhileRunningReportsOnce();
    void sizeLimit_data();
    void sizeLimit();
    void sink_data();
    void sink();
    void renewalOnTheLastUnknownNetworkError();

private:
    std::unique_ptr<HttpResponse> start(const QString& path, bool post = false, const Map& urlQuery = {});

    std::unique_ptr<StandInService> service;
    std::unique_ptr<HttpAccess> access;
};

void tst_HttpResponse::initTestCase()
{
    service = std::make_unique<StandInService>();
    QVERIFY(service->isRunning());
    access = std::make_unique<HttpAccess>(service->url());
}

void tst_HttpResponse::init()
{
    service->reset();
    service->reply(StandInReply(QString(), QStringLiteral("/t")).xml("<r/>"));
    service->reply(StandInReply(QString(), QStringLiteral("/stall")).stall());
}

void tst_HttpResponse::cleanup()
{
    QCOMPARE(service->violations(), QStringList());
    QCOMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
}

std::unique_ptr<HttpResponse> tst_HttpResponse::start(const QString& path, bool post, const Map& urlQuery)
{
    HttpRequest request;
    request.path = path;
    request.urlQuery = urlQuery;
    if (post)
        request.params.insert(QStringLiteral("k"), QStringLiteral("v"));
    return std::unique_ptr<HttpResponse>(access->execute(&request, post, QString()));
}

void tst_HttpResponse::redirect_data()
{
    QTest::addColumn<bool>("post");
    QTest::addColumn<Map>("query");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<int>("error");
    QTest::addColumn<QByteArrayList>("received");

    const Map x{{"x", "1"}};
    const int ok = QNetworkReply::NoError;
    const int refused = QNetworkReply::InsecureRedirectError;
    QTest::newRow("POST becomes GET of a relative target with the old query")
        << true << x << 301 << QByteArray("/final") << ok << QByteArrayList{"POST /r?x=1", "GET /final?x=1"};
    QTest::newRow("target's own query gives way to the old one")
        << false << x << 301 << QByteArray("/final?y=2") << ok << QByteArrayList{"GET /r?x=1", "GET /final?x=1"};
    QTest::newRow("no old query, none after")
        << false << Map() << 301 << QByteArray("/final?y=2") << ok << QByteArrayList{"GET /r", "GET /final"};
    QTest::newRow("relative to the request's folder")
        << false << x << 301 << QByteArray("final") << ok << QByteArrayList{"GET /r?x=1", "GET /final?x=1"};
    QTest::newRow("absolute https") << false << x << 301 << QByteArray("{https}/final") << ok
                                    << QByteArrayList{"GET /r?x=1", "GET /final?x=1"};
    QTest::newRow("https to http refused") << false << x << 301 << QByteArray("{http}/final") << refused
                                           << QByteArrayList{"GET /r?x=1"};
    QTest::newRow("to a file refused") << false << x << 301 << QByteArray("file:///etc/hostname") << refused
                                       << QByteArrayList{"GET /r?x=1"};
    QTest::newRow("to data refused") << false << x << 301 << QByteArray("data:text/plain,x") << refused
                                     << QByteArrayList{"GET /r?x=1"};
    QTest::newRow("302 is not followed") << false << x << 302 << QByteArray("/final") << ok
                                         << QByteArrayList{"GET /r?x=1"};
}

void tst_HttpResponse::redirect()
{
    QFETCH(bool, post);
    QFETCH(Map, query);
    QFETCH(int, status);
    QFETCH(QByteArray, location);
    QFETCH(int, error);
    location.replace("{https}", service->url().toUtf8()).replace("{http}", service->url(StandInService::Http).toUtf8());
    service->reply(StandInReply(QString(), QStringLiteral("/r")).status(status).header("Location", location));
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/final")).body("final"));

    const auto response = start(QStringLiteral("/r"), post, query);
    QSignalSpy finished(response.get(), &HttpResponse::finished);
    QVERIFY(finished.wait(AnswerWaitMs));
    QCOMPARE(int(response->error()), error);
    QCOMPARE(response->isOk(), error == QNetworkReply::NoError);
    const QList<StandInRequest> received = service->requests();
    QTEST(methodsAndTargets(received), "received");
    for (const StandInRequest& followed : received.mid(1))
        QVERIFY(followed.header("Content-Length").isNull() && followed.header("Content-Type").isNull());
    if (status == 301 && response->isOk())
        QCOMPARE(response->read(), QByteArray("final"));
    QCOMPARE(service->connections(StandInService::Http), 0);
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
}

void tst_HttpResponse::redirectsEndAfterTwenty()
{
    service->reply(StandInReply(QString(), QStringLiteral("/loop")).redirect("/loop"));
    const auto response = start(QStringLiteral("/loop"));
    QSignalSpy finished(response.get(), &HttpResponse::finished);
    QVERIFY(finished.wait(AnswerWaitMs));
    QCOMPARE(response->error(), QNetworkReply::TooManyRedirectsError);
    QVERIFY(!response->isOk());
    QCOMPARE(service->requests().size(), 1 + TransportRules::MaxRedirects);
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
}

void tst_HttpResponse::unfinishedCount_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("reports");
    QTest::newRow("finish") << "finish" << 1;
    QTest::newRow("redirect, then finish") << "redirect" << 1;
    QTest::newRow("abort") << "abort" << 0;
    QTest::newRow("abortReply") << "abortReply" << 1;
    QTest::newRow("destruction while running") << "destroy" << 0;
}

void tst_HttpResponse::unfinishedCount()
{
    QFETCH(QString, ending);
    QFETCH(int, reports);
    service->reply(StandInReply(QString(), QStringLiteral("/redirect")).redirect("/t"));
    const bool runs = ending == QLatin1String("abort") || ending == QLatin1String("abortReply") || ending == QLatin1String("destroy");
    auto response = start(runs ? QStringLiteral("/stall") : ending == QLatin1String("redirect") ? QStringLiteral("/redirect") : QStringLiteral("/t"));
    QCOMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 1);
    QSignalSpy finished(response.get(), &HttpResponse::finished);
    if (runs) {
        QTRY_COMPARE(service->requests().size(), 1);
        if (ending == QLatin1String("abort"))
            response->abort();
        else if (ending == QLatin1String("abortReply"))
            response->abortReply();
        else
            response.reset();
    } else {
        QVERIFY(finished.wait(AnswerWaitMs));
    }
    QCOMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
    QCOMPARE(finished.count(), reports);
    if (response)
        QCOMPARE(response->isOk(), ending == QLatin1String("finish") || ending == QLatin1String("redirect"));
}

void tst_HttpResponse::abortReplyAfterTheEndIsSilent()
{
    const auto response = start(QStringLiteral("/t"));
    QSignalSpy finished(response.get(), &HttpResponse::finished);
    QVERIFY(finished.wait(AnswerWaitMs));
    response->abortReply();
    QCOMPARE(finished.count(), 1);
    QVERIFY(response->isOk());
    QCOMPARE(response->read(), QByteArray("<r/>"));
}

void tst_HttpResponse::replyThatHasAlreadyEndedReportsOnceAsFailed()
{
    QNetworkAccessManager manager;
    QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(service->url() + QStringLiteral("/t"))));
    QSignalSpy replyFinished(reply, &QNetworkReply::finished);
    QVERIFY(replyFinished.wait(AnswerWaitMs));

    HttpResponse response(reply, nullptr, access.get());
    QSignalSpy finished(&response, &HttpResponse::finished);
    QCOMPARE(finished.count(), 0); // queued, not while the caller is still connecting
    QCOMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
    QVERIFY(finished.wait(AnswerWaitMs));
    QVERIFY(!response.isOk());
    QVERIFY(response.read().isEmpty());
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
}

// The manager's replies die with it when the access point renews it.
void tst_HttpResponse::outcomeOutlivesTheReply()
{
    auto manager = std::make_unique<QNetworkAccessManager>();
    HttpResponse ended(manager->get(QNetworkRequest(QUrl(service->url() + QStringLiteral("/t")))), nullptr, nullptr);
    QVERIFY(QSignalSpy(&ended, &HttpResponse::finished).wait(AnswerWaitMs));
    HttpResponse failed(manager->get(QNetworkRequest(QUrl(service->url() + QStringLiteral("/missing")))), nullptr, nullptr);
    QVERIFY(QSignalSpy(&failed, &HttpResponse::finished).wait(AnswerWaitMs));
    const QString failedText = failed.qtErrorString();
    QVERIFY(ended.getHttpHeaders().contains(QStringLiteral("Content-Type:text/xml\n")));

    manager.reset();
    QVERIFY(!ended.isOk());
    QCOMPARE(ended.error(), QNetworkReply::NoError);
    QVERIFY(ended.read().isEmpty());
    QCOMPARE(ended.getNetworkReply(), nullptr);
    QVERIFY(ended.getHttpHeaders().contains(QStringLiteral("Content-Type:text/xml\n")));
    QCOMPARE(failed.error(), QNetworkReply::ContentNotFoundError);
    QCOMPARE(failed.qtErrorString(), failedText);
    ended.abortReply();
    failed.abort();
}

void tst_HttpResponse::replyDestroyedWhileRunningReportsOnce()
{
    auto manager = std::make_unique<QNetworkAccessManager>();
    HttpResponse response(manager->get(QNetworkRequest(QUrl(service->url() + QStringLiteral("/stall")))), nullptr, nullptr);
    QSignalSpy finished(&response, &HttpResponse::finished);
    QTRY_COMPARE(service->requests().size(), 1);
    manager.reset();
    QCOMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
    QVERIFY(finished.wait(AnswerWaitMs));
    QVERIFY(!response.isOk());
    QCOMPARE(response.error(), QNetworkReply::OperationCanceledError);
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
}

void tst_HttpResponse::sizeLimit_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("ok");
    const qint64 api = HttpAccess::DefaultReplyLimit;
    QTest::newRow("exactly the limit") << api << api << true;
    QTest::newRow("announced beyond") << api << api + 1 << false;
    QTest::newRow("without end, no length announced") << api << qint64(-1) << false;
    QTest::newRow("an access point's own limit") << qint64(1000) << qint64(1001) << false;
}

void tst_HttpResponse::sizeLimit()
{
    QFETCH(qint64, limit);
    QFETCH(qint64, size);
    QFETCH(bool, ok);
    service->reply(StandInReply(QString(), QStringLiteral("/big")).generated(size));
    HttpAccess limited(service->url());
    limited.setReplyLimit(limit);
    HttpRequest request;
    request.path = QStringLiteral("/big");
    const auto response = finishedResponse(limited, request);
    QVERIFY(response);
    QCOMPARE(response->isOk(), ok);
    if (ok) {
        QCOMPARE(response->read().size(), size);
    } else {
        QCOMPARE(response->error(), QNetworkReply::UnknownContentError);
        QVERIFY(response->read().isEmpty());
    }
}

void tst_HttpResponse::sink_data()
{
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("path");
    QTest::newRow("writable") << true << "/file";
    QTest::newRow("read-only") << false << "/file";
    // The redirect's own page stays out of the sink.
    QTest::newRow("writable, redirected with a page") << true << "/moved";
}

void tst_HttpResponse::sink()
{
    QFETCH(bool, writable);
    QFETCH(QString, path);
    service->reply(StandInReply(QString(), QStringLiteral("/file")).generated(300000).drip(100000, 10));
    service->reply(StandInReply(QString(), QStringLiteral("/moved")).redirect("/file").body("<p>Moved to /file</p>"));
    QByteArray stored;
    QBuffer buffer(&stored);
    buffer.open(writable ? QIODevice::ReadWrite : QIODevice::ReadOnly);
    MessageCapture log;
    QNetworkAccessManager manager;
    HttpResponse response(manager.get(QNetworkRequest(QUrl(service->url() + path))), &buffer, nullptr);
    QVERIFY(QSignalSpy(&response, &HttpResponse::finished).wait(AnswerWaitMs));
    QVERIFY(response.isOk());
    QCOMPARE(stored.size(), writable ? 300000 : 0);
    QCOMPARE(log.messages().filter(QStringLiteral(": stream is not writable")).size(), writable ? 0 : 1);
}

void tst_HttpResponse::renewalOnTheLastUnknownNetworkError()
{
    HttpAccess lost(Unroutable);
    MessageCapture log;
    const auto renewals = [&log] { return log.messages().count(QStringLiteral("Refreshing network access manager.")); };
    const auto failOnce = [&lost](ProbeCommand& command) {
        command.setupRetries(0, 0, 0);
        QSignalSpy completed(&command, &HttpCommand::completed);
        command.execute(&lost);
        return completed.wait() && command.error() == QNetworkReply::UnknownNetworkError;
    };

    ProbeCommand young;
    QVERIFY(failOnce(young));
    QCOMPARE(renewals(), 0);

    QTest::qWait(1100);
    const auto pending = start(QStringLiteral("/stall"));
    ProbeCommand notTheLast;
    QVERIFY(failOnce(notTheLast));
    QCOMPARE(renewals(), 0);

    pending->abort();
    QNetworkAccessManager* before = lost.net();
    ProbeCommand last;
    QVERIFY(failOnce(last));
    QCOMPARE(renewals(), 1);
    QVERIFY(lost.net() != before);

    ProbeCommand right;
    QVERIFY(failOnce(right));
    QCOMPARE(renewals(), 1);

    // The old manager goes, and the replies of the earlier commands with it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (ProbeCommand* command : {&young, &notTheLast, &last}) {
        QCOMPARE(command->error(), int(QNetworkReply::UnknownNetworkError));
        QVERIFY(!command->qtErrorString().isEmpty());
    }
}

OZM_NAMESPACE_TEST_MAIN(tst_HttpResponse, PrivateNamespaces::Options())
#include "tst_HttpResponse.moc"
