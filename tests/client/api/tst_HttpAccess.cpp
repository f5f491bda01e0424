#include "ApiTestKit.h"
#include "HttpTestKit.h"

#include <Folders.h>
#include <HttpAccess.h>
#include <HttpAccessCreator.h>
#include <HttpCommand.h>
#include <HttpRequest.h>
#include <HttpResponse.h>
#include <StandInService.h>

#include <QPointer>
#include <QtTest>

#include <memory>

using Map = QMap<QString, QString>;
using Headers = QMap<QByteArray, QByteArray>;
using Pairs = QList<QPair<QString, QString>>;

class tst_HttpAccess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void wire_data();
    void wire();
    void valuesArriveUnchanged_data();
    void valuesArriveUnchanged();
    void certificates_data();
    void certificates();
    void accessUrl_data();
    void accessUrl();
    void serverApiGoesWithItsParent();
    void standInReportsViolations_data();
    void standInReportsViolations();
    void standInServesFilesUnlessNotModified_data();
    void standInServesFilesUnlessNotModified();

private:
    std::unique_ptr<StandInService> service;
    std::unique_ptr<HttpAccess> access;
};

void tst_HttpAccess::initTestCase()
{
    service = std::make_unique<StandInService>();
    QVERIFY(service->isRunning());
    access = std::make_unique<HttpAccess>(service->url());
}

void tst_HttpAccess::init()
{
    service->reset();
    service->reply(StandInReply(QString(), QStringLiteral("/t")).body("ok"));
}

void tst_HttpAccess::cleanup()
{
    QCOMPARE(service->violations(), QStringList());
}

void tst_HttpAccess::wire_data()
{
    QTest::addColumn<bool>("post");
    QTest::addColumn<QString>("path");
    QTest::addColumn<Map>("params");
    QTest::addColumn<Map>("urlQuery");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<Headers>("rawHeaders");
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("sentBody");
    QTest::addColumn<QByteArray>("sentType");
    QTest::addColumn<QByteArray>("connection");

    const QByteArray form = "application/x-www-form-urlencoded";
    const Map ba{{"b", "2"}, {"a", "1"}};
    const Map z{{"z", "0"}};
    QTest::newRow("GET: url query, then params, each in key order")
        << false << "/t" << ba << z << QByteArray("raw") << Headers() << QString()
        << QByteArray("/t?z=0&a=1&b=2") << QByteArray() << QByteArray() << QByteArray("close");
    QTest::newRow("GET without anything: no query at all")
        << false << "/t" << Map() << Map() << QByteArray() << Headers() << QString()
        << QByteArray("/t") << QByteArray() << QByteArray() << QByteArray("close");
    QTest::newRow("POST: params in the body, url query in the URL")
        << true << "/t" << ba << z << QByteArray("raw") << Headers() << QString()
        << QByteArray("/t?z=0") << QByteArray("a=1&b=2") << form << QByteArray("close");
    QTest::newRow("POST without params sends the raw body")
        << true << "/t" << Map() << Map() << QByteArray("{\"k\":1}") << Headers() << QString("application/json")
        << QByteArray("/t") << QByteArray("{\"k\":1}") << QByteArray("application/json") << QByteArray("close");
    QTest::newRow("POST with neither sends an empty form")
        << true << "/t" << Map() << Map() << QByteArray() << Headers() << QString()
        << QByteArray("/t") << QByteArray() << form << QByteArray("close");
    QTest::newRow("raw header replaces Connection")
        << false << "/t" << Map() << Map() << QByteArray() << Headers{{"Connection", "keep-alive"}} << QString()
        << QByteArray("/t") << QByteArray() << QByteArray() << QByteArray("keep-alive");
    QTest::newRow("path query is replaced by the built one")
        << false << "/t?own=1" << Map{{"a", "1"}} << Map() << QByteArray() << Headers() << QString()
        << QByteArray("/t?a=1") << QByteArray() << QByteArray() << QByteArray("close");
    // The service reads "+" as a blank and decodes every escape.
    const Map tricky{{"email", "a+b@x.org"}, {"v", "%41 50%+"}};
    QTest::newRow("GET: + and % escaped, e-mail as the service expects it")
        << false << "/t" << tricky << Map() << QByteArray() << Headers() << QString()
        << QByteArray("/t?email=a%2Bb@x.org&v=%2541%2050%25%2B") << QByteArray() << QByteArray() << QByteArray("close");
    QTest::newRow("POST: + and % escaped in the form")
        << true << "/t" << tricky << Map() << QByteArray() << Headers() << QString()
        << QByteArray("/t") << QByteArray("email=a%2Bb@x.org&v=%2541 50%25%2B") << form << QByteArray("close");
}

void tst_HttpAccess::wire()
{
    QFETCH(bool, post);
    QFETCH(QString, path);
    QFETCH(Map, params);
    QFETCH(Map, urlQuery);
    QFETCH(QByteArray, body);
    QFETCH(Headers, rawHeaders);
    QFETCH(QString, contentType);

    HttpRequest request;
    request.path = path;
    request.params = params;
    request.urlQuery = urlQuery;
    request.body = body;
    request.rawHeaders = rawHeaders;
    const auto response = finishedResponse(*access, request, post, contentType);
    QVERIFY(response);
    QVERIFY(response->isOk());
    QCOMPARE(response->read(), QByteArray("ok"));

    const QList<StandInRequest> received = service->requests();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0].method, QByteArray(post ? "POST" : "GET"));
    QTEST(received[0].target, "target");
    QTEST(received[0].body, "sentBody");
    QTEST(received[0].header("Content-Type"), "sentType");
    QTEST(received[0].header("Connection"), "connection");
    QCOMPARE(received[0].header("User-Agent"), QByteArray("Ozmira.GIT_VERSION/Linux 0"));
}

void tst_HttpAccess::valuesArriveUnchanged_data()
{
    QTest::addColumn<bool>("post");
    for (const bool post : {false, true})
        QTest::newRow(post ? "POST" : "GET") << post;
}

// Whatever a key or value holds, the service decodes what it was given.
void tst_HttpAccess::valuesArriveUnchanged()
{
    QFETCH(bool, post);
    const Pairs values{{"a+b", "a+b@x.org"},  {"escape", "%41"},       {"lone%", "50%"},
                       {"blank", "a b"},      {"delims", "&=#?/;"},    {"encoded plus", "%2B"},
                       {"unicode", "é€😀"},   {"empty", ""},           {"", "empty key"}};
    HttpRequest request;
    request.path = QStringLiteral("/t");
    for (const auto& pair : values)
        request.params.insert(pair.first, pair.second);
    QVERIFY(finishedResponse(*access, request, post));

    const QList<StandInRequest> received = service->requests();
    QCOMPARE(received.size(), 1);
    Pairs expected;
    for (auto it = request.params.cbegin(); it != request.params.cend(); ++it)
        expected.append({it.key(), it.value()});
    QCOMPARE(post ? received[0].form : received[0].query, expected);
}

void tst_HttpAccess::certificates_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("ok");
    QTest::newRow("test CA") << int(StandInService::Https) << true;
    // Ignoring "expired" without naming the certificate ignores nothing.
    QTest::newRow("expired") << int(StandInService::Expired) << false;
    QTest::newRow("self-signed") << int(StandInService::SelfSigned) << false;
    QTest::newRow("wrong host") << int(StandInService::WrongHost) << false;
}

void tst_HttpAccess::certificates()
{
    QFETCH(int, port);
    QFETCH(bool, ok);
    HttpAccess other(service->url(StandInService::Port(port)));
    HttpRequest request;
    request.path = QStringLiteral("/t");
    MessageCapture log;
    const auto response = finishedResponse(other, request);
    QVERIFY(response);
    QCOMPARE(response->isOk(), ok);
    QCOMPARE(response->read().isEmpty(), !ok);
    const QStringList messages = log.messages();
    const int sslErrors = messages.indexOf(QStringLiteral("SSL errors:"));
    QCOMPARE(sslErrors >= 0, !ok);
    if (!ok) {
        QCOMPARE(response->error(), QNetworkReply::SslHandshakeFailedError);
        QVERIFY2(sslErrors + 1 < messages.size() && QRegularExpression("^\\d+ \\S").match(messages[sslErrors + 1]).hasMatch(),
                 qPrintable(messages.join('\n')));
    }
}

void tst_HttpAccess::accessUrl_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("warned");

    const QString builtIn = QStringLiteral("https://api.ozmira.net");
    QTest::newRow("no file") << false << QByteArray() << builtIn << false;
    QTest::newRow("blanks, final slash and line break dropped")
        << true << QByteArray("  https://api.example.org/  \n") << "https://api.example.org" << false;
    QTest::newRow("only one final slash dropped") << true << QByteArray("https://api.example.org//") << "https://api.example.org/" << false;
    QTest::newRow("a path stays") << true << QByteArray("https://api.example.org:8443/v2\n") << "https://api.example.org:8443/v2" << false;
    QTest::newRow("empty") << true << QByteArray() << builtIn << false;
    QTest::newRow("blanks only") << true << QByteArray(" \t\n") << builtIn << false;
    QTest::newRow("up to a NUL") << true << QByteArray("https://api.example.org\0junk", 28) << "https://api.example.org" << false;
    QTest::newRow("plain http refused") << true << QByteArray("http://api.example.org") << builtIn << true;
    QTest::newRow("no scheme refused") << true << QByteArray("api.example.org") << builtIn << true;
    QTest::newRow("file refused") << true << QByteArray("file:///etc/passwd") << builtIn << true;
    QTest::newRow("only the first 4 KiB are read")
        << true << QByteArray("https://api.example.org") + QByteArray(5000, ' ') + "x" << "https://api.example.org" << false;
}

void tst_HttpAccess::accessUrl()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, content);
    QTemporaryDir data;
    const QString saved = Folders::app_data_folder;
    Folders::setAppDataFolder(data.path());
    if (exists)
        writeFile(data.filePath(QStringLiteral("licenseserver")), content);
    MessageCapture log;
    const QString url = HttpAccessCreator::GetAccessUrl();
    Folders::setAppDataFolder(saved);
    QTEST(url, "url");
    QTEST(!log.messages().filter(QStringLiteral("licenseserver ignored")).isEmpty(), "warned");
    QVERIFY(log.messages().contains(QStringLiteral("Remote access url: ") + url));
}

void tst_HttpAccess::serverApiGoesWithItsParent()
{
    auto parent = std::make_unique<QObject>();
    QSharedPointer<HttpAccess> api = HttpAccessCreator::serverApi(parent.get());
    QCOMPARE(api->parent(), parent.get());
    const QPointer<HttpAccess> watched = api.data();
    parent.reset();
    QVERIFY(watched.isNull());
    api.reset(); // must not delete it a second time
}

void tst_HttpAccess::standInReportsViolations_data()
{
    QTest::addColumn<bool>("post");
    QTest::addColumn<Map>("params");
    QTest::addColumn<Map>("urlQuery");
    QTest::addColumn<Headers>("rawHeaders");
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<QString>("violation");

    const Map probe{{"act", "probe"}, {"fmt", "xml"}, {"k", "v"}};
    QTest::newRow("as the command table says") << false << probe << Map() << Headers() << QString() << QString();
    QTest::newRow("POST as the command table says")
        << true << Map{{"act", "probe_post"}, {"fmt", "xml"}, {"k", "v"}} << Map() << Headers() << QString() << QString();
    QTest::newRow("unknown act") << false << Map{{"act", "nosuch"}, {"fmt", "xml"}} << Map() << Headers() << QString()
                                 << "no such command";
    QTest::newRow("missing key") << false << Map{{"act", "probe"}, {"fmt", "xml"}} << Map() << Headers() << QString()
                                 << "query keys ['act', 'fmt'], expected ['act', 'fmt', 'k']";
    QTest::newRow("key order") << false << Map{{"act", "probe"}, {"fmt", "xml"}} << Map{{"k", "v"}} << Headers()
                               << QString() << "query keys ['k', 'act', 'fmt']";
    QTest::newRow("fmt not xml") << false << Map{{"act", "probe"}, {"fmt", "json"}, {"k", "v"}} << Map() << Headers()
                                 << QString() << "no \"fmt\" = \"xml\"";
    QTest::newRow("Content-Type on a GET") << false << probe << Map() << Headers{{"Content-Type", "text/plain"}}
                                           << QString() << "Content-Type on a GET";
    QTest::newRow("POST of another type") << true << Map{{"act", "probe_post"}, {"fmt", "xml"}, {"k", "v"}} << Map()
                                          << Headers() << "text/plain" << "Content-Type 'text/plain'";
    QTest::newRow("no Connection: close") << false << probe << Map() << Headers{{"Connection", "keep-alive"}}
                                          << QString() << "no \"Connection: close\"";
    QTest::newRow("another User-Agent") << false << probe << Map() << Headers{{"User-Agent", "x"}} << QString()
                                        << "User-Agent 'x'";
}

// Every later test relies on the stand-in telling a request that breaks the
// command table from one that keeps it.
void tst_HttpAccess::standInReportsViolations()
{
    QFETCH(bool, post);
    QFETCH(Map, params);
    QFETCH(Map, urlQuery);
    QFETCH(Headers, rawHeaders);
    QFETCH(QString, contentType);
    QFETCH(QString, violation);
    service->addCommand(QStringLiteral("GET"), HttpCommand::MobilePath, QStringLiteral("probe"), {"act", "fmt", "k"});
    service->addCommand(QStringLiteral("POST"), HttpCommand::MobilePath, QStringLiteral("probe_post"), {}, {"act", "fmt", "k"});

    HttpRequest request;
    request.path = HttpCommand::MobilePath;
    request.params = params;
    request.urlQuery = urlQuery;
    request.rawHeaders = rawHeaders;
    QVERIFY(finishedResponse(*access, request, post, contentType));
    const QStringList violations = service->violations();
    if (violation.isEmpty()) {
        QCOMPARE(violations, QStringList());
    } else {
        QVERIFY2(violations.join('\n').contains(violation), qPrintable(violations.join('\n')));
    }
    service->reset();
}

void tst_HttpAccess::standInServesFilesUnlessNotModified_data()
{
    QTest::addColumn<QByteArray>("ifModifiedSince");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("unconditional") << QByteArray() << 200 << QByteArray("image bytes");
    QTest::newRow("older copy") << QByteArray("Wed, 21 Oct 2015 07:27:59 GMT") << 200 << QByteArray("image bytes");
    QTest::newRow("same time") << QByteArray("Wed, 21 Oct 2015 07:28:00 GMT") << 304 << QByteArray();
}

// Brand images rely on both.
void tst_HttpAccess::standInServesFilesUnlessNotModified()
{
    QFETCH(QByteArray, ifModifiedSince);
    QTemporaryDir folder;
    writeFile(folder.filePath(QStringLiteral("image.png")), "image bytes");
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/image.png"))
                       .file(folder.filePath(QStringLiteral("image.png")))
                       .lastModified(QDateTime(QDate(2015, 10, 21), QTime(7, 28), Qt::UTC)));
    HttpRequest request;
    request.path = QStringLiteral("/image.png");
    if (!ifModifiedSince.isNull())
        request.rawHeaders.insert("If-Modified-Since", ifModifiedSince);
    const auto response = finishedResponse(*access, request);
    QVERIFY(response);
    QTEST(response->getNetworkReply()->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), "status");
    QTEST(response->read(), "body");
    QVERIFY(response->getHttpHeaders().contains(QStringLiteral("Last-Modified:Wed, 21 Oct 2015 07:28:00 GMT\n")));
}

QTEST_GUILESS_MAIN(tst_HttpAccess)
#include "tst_HttpAccess.moc"
