#include "ApiTestKit.h"

#include <FileHttpRequest.h>
#include <PrivateNamespaces.h>
#include <StandInService.h>
#include <TransportRules.h>

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

QByteArrayList targets(const QList<StandInRequest>& requests)
{
    QByteArrayList lines;
    for (const StandInRequest& request : requests)
        lines << request.target;
    return lines;
}

} // namespace

class tst_FileHttpRequest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void bodyStaysReadable();
    void relativeRedirectsEachWithAFullTimeOut();
    void endsWithoutFollowing_data();
    void endsWithoutFollowing();
    void certificates_data();
    void certificates();
    void stalledServerTimesOut();
    void bodyLimit_data();
    void bodyLimit();
    void nextGetReplacesTheReply();
    void fetchesOnWorkerThreads();

private:
    std::unique_ptr<StandInService> service;
};

void tst_FileHttpRequest::initTestCase()
{
    service = std::make_unique<StandInService>();
    QVERIFY(service->isRunning());
}

void tst_FileHttpRequest::init()
{
    service->reset();
    service->reply(StandInReply(QString(), QStringLiteral("/t")).body("page"));
    service->reply(StandInReply(QString(), QStringLiteral("/stall")).stall());
}

void tst_FileHttpRequest::cleanup()
{
    QCOMPARE(service->violations(), QStringList());
    QCOMPARE(service->connections(StandInService::Http), 0);
}

void tst_FileHttpRequest::bodyStaysReadable()
{
    FileHttpRequest request(service->url() + QStringLiteral("/t"));
    QCOMPARE(request.reply(), nullptr);
    QCOMPARE(request.get(5000), 200);
    QVERIFY(request.reply());
    QCOMPARE(request.reply()->readAll(), QByteArray("page"));
    QCOMPARE(targets(service->requests()), QByteArrayList{"/t"});
}

void tst_FileHttpRequest::relativeRedirectsEachWithAFullTimeOut()
{
    // Together the two steps take longer than one time-out.
    service->reply(StandInReply(QString(), QStringLiteral("/a/b")).redirect("../c/d?x=2").delay(1500));
    service->reply(StandInReply(QString(), QStringLiteral("/c/d")).redirect("e").delay(1500));
    service->reply(StandInReply(QString(), QStringLiteral("/c/e")).body("end"));
    MessageCapture log;
    FileHttpRequest request(service->url() + QStringLiteral("/a/b?q=1"));
    QCOMPARE(request.get(2500), 200);
    QCOMPARE(request.reply()->readAll(), QByteArray("end"));
    QCOMPARE(targets(service->requests()), (QByteArrayList{"/a/b?q=1", "/c/d?x=2", "/c/e"}));
    QCOMPARE(log.messages().filter(QStringLiteral("Redirected to:")),
             (QStringList{"Redirected to: " + service->url() + "/c/d?x=2", "Redirected to: " + service->url() + "/c/e"}));
}

void tst_FileHttpRequest::endsWithoutFollowing_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("requests");

    QTest::newRow("302 is returned as it is") << 302 << QByteArray("/t") << 302 << 1;
    QTest::newRow("an error status") << 404 << QByteArray() << 404 << 1;
    QTest::newRow("301 without a target") << 301 << QByteArray() << 301 << 1;
    QTest::newRow("https to http refused") << 301 << QByteArray("{http}/t") << 301 << 1;
    QTest::newRow("to a file refused") << 301 << QByteArray("file:///etc/hostname") << 301 << 1;
    QTest::newRow("a loop ends after twenty redirects")
        << 301 << QByteArray("/start") << 301 << 1 + TransportRules::MaxRedirects;
}

void tst_FileHttpRequest::endsWithoutFollowing()
{
    QFETCH(int, status);
    QFETCH(QByteArray, location);
    QFETCH(int, result);
    QFETCH(int, requests);
    StandInReply start(QString(), QStringLiteral("/start"));
    start.status(status);
    if (!location.isEmpty())
        start.header("Location", location.replace("{http}", service->url(StandInService::Http).toUtf8()));
    service->reply(start);

    MessageCapture log;
    FileHttpRequest request(service->url() + QStringLiteral("/start"));
    QCOMPARE(request.get(5000), result);
    QCOMPARE(service->requests().size(), requests);
    const QStringList warnings = log.messages().filter(QStringLiteral("Error while doing request to "));
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings[0].contains(QStringLiteral(" result %1 ").arg(result)), qPrintable(warnings[0]));
}

void tst_FileHttpRequest::certificates_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("status");
    QTest::newRow("test CA") << int(StandInService::Https) << 200;
    QTest::newRow("expired") << int(StandInService::Expired) << 0;
    QTest::newRow("self-signed") << int(StandInService::SelfSigned) << 0;
    QTest::newRow("for another host") << int(StandInService::WrongHost) << 0;
}

void tst_FileHttpRequest::certificates()
{
    QFETCH(int, port);
    QFETCH(int, status);
    MessageCapture log;
    FileHttpRequest request(service->url(StandInService::Port(port)) + QStringLiteral("/t"));
    QCOMPARE(request.get(5000), status);
    QCOMPARE(request.reply()->readAll(), status == 200 ? QByteArray("page") : QByteArray());
    QCOMPARE(log.messages().contains(QStringLiteral("SSL errors:")), port != StandInService::Https);
    if (status == 0)
        QCOMPARE(request.reply()->error(), QNetworkReply::SslHandshakeFailedError);
}

void tst_FileHttpRequest::stalledServerTimesOut()
{
    MessageCapture log;
    FileHttpRequest request(service->url() + QStringLiteral("/stall"));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(request.get(300), int(FileHttpRequest::TimedOut));
    // A coarse timer may fire up to 5 % early.
    QVERIFY(clock.elapsed() >= 285);
    QVERIFY(request.reply()->isFinished());
    QCOMPARE(request.reply()->error(), QNetworkReply::OperationCanceledError);
    QCOMPARE(log.messages().filter(QStringLiteral("timed out")),
             QStringList{"Request to " + service->url() + "/stall timed out"});
}

void tst_FileHttpRequest::bodyLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("status");
    QTest::newRow("exactly the limit") << FileHttpRequest::BodyLimit << 200;
    QTest::newRow("announced beyond") << FileHttpRequest::BodyLimit + 1 << int(FileHttpRequest::Failed);
    QTest::newRow("without end") << qint64(-1) << int(FileHttpRequest::Failed);
}

void tst_FileHttpRequest::bodyLimit()
{
    QFETCH(qint64, size);
    QFETCH(int, status);
    service->reply(StandInReply(QString(), QStringLiteral("/big")).generated(size));
    MessageCapture log;
    FileHttpRequest request(service->url() + QStringLiteral("/big"));
    QCOMPARE(request.get(10000), status);
    if (status == 200) {
        QCOMPARE(request.reply()->readAll().size(), size);
        return;
    }
    QCOMPARE(log.messages().filter(QStringLiteral("is larger than")).size(), 1);
}

void tst_FileHttpRequest::nextGetReplacesTheReply()
{
    FileHttpRequest request(service->url() + QStringLiteral("/t"));
    QCOMPARE(request.get(5000), 200);
    const QPointer<QNetworkReply> first = request.reply();
    QCOMPARE(request.get(5000), 200);
    QVERIFY(!first);
    QCOMPARE(request.reply()->readAll(), QByteArray("page"));
}

void tst_FileHttpRequest::fetchesOnWorkerThreads()
{
    service->reply(StandInReply(QString(), QStringLiteral("/slow")).body("slow page").delay(300));
    QList<int> statuses{0, 0, 0};
    QByteArrayList bodies{{}, {}, {}};
    std::vector<std::unique_ptr<QThread>> workers;
    for (int i = 0; i < statuses.size(); ++i) {
        workers.emplace_back(QThread::create([&, i] {
            FileHttpRequest request(service->url() + QStringLiteral("/slow"));
            statuses[i] = request.get(5000);
            bodies[i] = request.reply()->readAll();
        }));
        workers.back()->start();
    }
    for (const auto& worker : workers)
        QVERIFY(worker->wait(10000));
    QCOMPARE(statuses, (QList<int>{200, 200, 200}));
    QCOMPARE(bodies, (QByteArrayList{"slow page", "slow page", "slow page"}));
}

// No address but loopback, and the stand-in on it: nothing leaves the machine.
OZM_NAMESPACE_TEST_MAIN(tst_FileHttpRequest, PrivateNamespaces::Options())
#include "tst_FileHttpRequest.moc"
