#include "ApiTestKit.h"
#include "BrandTestKit.h"

#include <CacheEntry.h>
#include <DownloadManager.h>
#include <HttpResponse.h>
#include <ResourcesCache.h>
#include <ResourcesDownloader.h>
#include <StandInService.h>

#include <QPointer>
#include <QtTest>

#include <memory>

using Cache = ResourcesCache<CacheEntry>;

class tst_DownloadManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void nothingToDownload();
    void oneDownload_data();
    void oneDownload();
    void conditionalRequest_data();
    void conditionalRequest();
    void oneOfTwoFails();
    void lateDownloadReportsAgain();
    void clearEndsTheRound();
    void allFailAtOnce();
    void downloadersAreReleased();

private:
    // Runs the manager's downloads and waits for its first report.
    bool runToReport(QSignalSpy& reports);
    QString imageUrl(const QString& name) const;

    std::unique_ptr<StandInService> service;
    std::unique_ptr<DownloadManager> manager;
};

namespace {

const QDateTime Modified(QDate(2024, 3, 1), QTime(10, 0), Qt::UTC);
const QByteArray ModifiedText = "Fri, 01 Mar 2024 10:00:00 GMT";

} // namespace

void tst_DownloadManager::initTestCase()
{
    qRegisterMetaType<DownloadEntry>();
    service = std::make_unique<StandInService>();
    QVERIFY(service->isRunning());
}

void tst_DownloadManager::init()
{
    service->reset();
    QDir(Cache::cacheDirPath()).removeRecursively();
    manager = std::make_unique<DownloadManager>();
}

void tst_DownloadManager::cleanup()
{
    manager.reset();
    QCOMPARE(service->violations(), QStringList());
    QTRY_COMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
}

QString tst_DownloadManager::imageUrl(const QString& name) const
{
    return service->url() + QStringLiteral("/img/") + name;
}

bool tst_DownloadManager::runToReport(QSignalSpy& reports)
{
    manager->startDownloading();
    return reports.count() > 0 || reports.wait(20000);
}

void tst_DownloadManager::nothingToDownload()
{
    QSignalSpy reports(manager.get(), &DownloadManager::allAreCompleted);
    const MessageCapture log;
    manager->startDownloading();
    QCOMPARE(reports.count(), 1);
    QVERIFY(log.messages().contains(QStringLiteral("[resource's downloading] nothing to download")));
}

void tst_DownloadManager::oneDownload_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("lastModified");
    QTest::addColumn<QString>("logged");

    const QByteArray png = pngBytes(QSize(4, 4));
    QTest::newRow("200 with Last-Modified") << "ok" << png << ModifiedText
                                            << "[resource's downloading] downloaded  name =  logo";
    QTest::newRow("200 without Last-Modified") << "bare" << png << QByteArray()
                                               << "[resource's downloading] downloaded  name =  logo";
    QTest::newRow("404") << "missing" << QByteArray() << QByteArray() << "server replied: Not Found, url = ";
    QTest::newRow("over 4 MiB") << "huge" << QByteArray() << QByteArray()
                                << "ERROR [resource's downloading] Reply larger than 4194304 bytes";
    QTest::newRow("redirect to a file") << "to-file" << QByteArray() << QByteArray()
                                        << "ERROR [resource's downloading] Redirect refused: file:///etc/passwd";
    QTest::newRow("file address") << "file:///etc/passwd" << QByteArray() << QByteArray()
                                  << "ERROR [resource's downloading] not a web address, url = file:///etc/passwd";
    QTest::newRow("resource address") << "qrc:/Images/Logo-Small-OZM.png" << QByteArray() << QByteArray()
                                      << "ERROR [resource's downloading] not a web address";
    QTest::newRow("no address") << "" << QByteArray() << QByteArray()
                                << "ERROR [resource's downloading] not a web address";
}

void tst_DownloadManager::oneDownload()
{
    QFETCH(QString, url);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, lastModified);
    QFETCH(QString, logged);
    const QByteArray png = pngBytes(QSize(4, 4));
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/ok")).body(png).lastModified(Modified));
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/bare")).body(png));
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/huge")).generated(5 * 1024 * 1024));
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/to-file")).redirect("file:///etc/passwd"));
    const bool isRelative = !url.isEmpty() && !url.contains(QLatin1Char(':'));
    manager->addDownload(QStringLiteral("logo"), isRelative ? imageUrl(url) : url);
    QSignalSpy reports(manager.get(), &DownloadManager::allAreCompleted);
    const MessageCapture log;
    QVERIFY(runToReport(reports));
    QCOMPARE(reports.count(), 1);
    QCOMPARE(manager->countCompleted(), 1);
    const DownloadEntry entry = manager->getDownloads().first();
    QCOMPARE(entry.name, data.isEmpty() ? QString() : QStringLiteral("logo"));
    QCOMPARE(entry.data, data);
    QCOMPARE(entry.lastModified, lastModified);
    QCOMPARE(entry.lastModified.isNull(), lastModified.isNull());
    QVERIFY2(!log.messages().filter(logged).isEmpty(), qPrintable(log.messages().join('\n')));
    QCOMPARE(service->requests().size(), isRelative ? 1 : 0);
}

void tst_DownloadManager::conditionalRequest_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("fromCache");

    QTest::newRow("stored value sent, 304") << ModifiedText << ModifiedText << true;
    QTest::newRow("null value: no header") << QByteArray() << QByteArray() << false;
    QTest::newRow("line break: no header") << ModifiedText + "\r\nX-Injected: 1" << QByteArray() << false;
    QTest::newRow("over 128 bytes: no header") << ModifiedText + QByteArray(100, ' ') << QByteArray() << false;
    QTest::newRow("128 bytes sent") << ModifiedText + QByteArray(128 - ModifiedText.size(), ' ')
                                    << ModifiedText + QByteArray(128 - ModifiedText.size(), ' ') << true;
}

// The cache's Last-Modified goes out as If-Modified-Since when it is a plain
// header value; the 304 brings back what the cache holds.
void tst_DownloadManager::conditionalRequest()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, sent);
    QFETCH(bool, fromCache);
    const QByteArray cached = pngBytes(QSize(2, 2), Qt::red);
    QVERIFY(Cache::saveEntry(QStringLiteral("logo"), CacheEntry{stored, cached}));
    service->reply(
        StandInReply(QStringLiteral("GET"), QStringLiteral("/img/logo")).body(pngBytes(QSize(3, 3))).lastModified(Modified));
    manager->addDownload(QStringLiteral("logo"), imageUrl(QStringLiteral("logo")));
    QSignalSpy reports(manager.get(), &DownloadManager::allAreCompleted);
    QVERIFY(runToReport(reports));
    const QList<StandInRequest> requests = service->requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].header("If-Modified-Since"), sent);
    const DownloadEntry entry = manager->getDownloads().first();
    QCOMPARE(entry.name, QStringLiteral("logo"));
    QCOMPARE(entry.data, fromCache ? cached : pngBytes(QSize(3, 3)));
    QCOMPARE(entry.lastModified, fromCache ? stored : ModifiedText);
}

void tst_DownloadManager::oneOfTwoFails()
{
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/icon")).body(pngBytes(QSize(2, 2))));
    manager->addDownload(QStringLiteral("icon_72x72px"), imageUrl(QStringLiteral("icon")));
    manager->addDownload(QStringLiteral("logo"), imageUrl(QStringLiteral("gone")));
    QSignalSpy reports(manager.get(), &DownloadManager::allAreCompleted);
    QVERIFY(runToReport(reports));
    QCOMPARE(reports.count(), 1);
    QCOMPARE(manager->countActivated(), 0);
    QStringList names;
    for (const DownloadEntry& entry : qAsConst(manager->getDownloads()))
        names << entry.name;
    names.sort();
    QCOMPARE(names, (QStringList{QString(), QStringLiteral("icon_72x72px")}));
}

// After the time limit the manager reports what it has; a download that ends
// later makes it report again.
void tst_DownloadManager::lateDownloadReportsAgain()
{
    service->reply(
        StandInReply(QStringLiteral("GET"), QStringLiteral("/img/slow")).delay(3000).body(pngBytes(QSize(2, 2))));
    manager->setTimeoutInterval(100);
    manager->addDownload(QStringLiteral("logo"), imageUrl(QStringLiteral("slow")));
    QSignalSpy reports(manager.get(), &DownloadManager::allAreCompleted);
    const MessageCapture log;
    QVERIFY(runToReport(reports));
    QCOMPARE(manager->countCompleted(), 0);
    QCOMPARE(manager->countActivated(), 1);
    QVERIFY(!log.messages(QtCriticalMsg).filter(QStringLiteral("ERROR [resource's downloading] timeout(")).isEmpty());
    QVERIFY(reports.wait(20000));
    QCOMPARE(reports.count(), 2);
    QCOMPARE(manager->getDownloads().first().name, QStringLiteral("logo"));
}

// A new round starts clean: the old round's download is stopped and released
// and never reports.
void tst_DownloadManager::clearEndsTheRound()
{
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/old")).stall());
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/new")).body(pngBytes(QSize(2, 2))));
    manager->addDownload(QStringLiteral("logo"), imageUrl(QStringLiteral("old")));
    QSignalSpy reports(manager.get(), &DownloadManager::allAreCompleted);
    manager->startDownloading();
    QTRY_COMPARE(service->requests().size(), 1);
    const QPointer<ResourcesDownloader> old = manager->findChild<ResourcesDownloader*>();
    QVERIFY(old);
    manager->clear();
    QTRY_VERIFY(!old);
    QCOMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);

    manager->addDownload(QStringLiteral("icon_72x72px"), imageUrl(QStringLiteral("new")));
    QVERIFY(runToReport(reports));
    QCOMPARE(reports.count(), 1);
    QCOMPARE(manager->countCompleted(), 1);
    QCOMPARE(manager->getDownloads().first().name, QStringLiteral("icon_72x72px"));
}

// Every download failing before the timer would start: one report, and no
// time-out a minute later.
void tst_DownloadManager::allFailAtOnce()
{
    manager->setTimeoutInterval(50);
    manager->addDownload(QStringLiteral("logo"), QStringLiteral("file:///etc/passwd"));
    manager->addDownload(QStringLiteral("icon_72x72px"), QStringLiteral("ftp://host/icon.png"));
    QSignalSpy reports(manager.get(), &DownloadManager::allAreCompleted);
    const MessageCapture log;
    manager->startDownloading();
    QCOMPARE(reports.count(), 1);
    QCOMPARE(manager->countCompleted(), 2);
    QTest::qWait(300);
    QCOMPARE(reports.count(), 1);
    QVERIFY(log.messages().filter(QStringLiteral("timeout(")).isEmpty());
}

void tst_DownloadManager::downloadersAreReleased()
{
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/done")).body(pngBytes(QSize(2, 2))));
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/stalled")).stall());
    manager->addDownload(QStringLiteral("logo"), imageUrl(QStringLiteral("done")));
    const QPointer<ResourcesDownloader> done = manager->findChild<ResourcesDownloader*>();
    QSignalSpy reports(manager.get(), &DownloadManager::allAreCompleted);
    QVERIFY(runToReport(reports));
    QTRY_VERIFY(!done);

    manager->addDownload(QStringLiteral("logo"), imageUrl(QStringLiteral("stalled")));
    const QPointer<ResourcesDownloader> stalled = manager->findChild<ResourcesDownloader*>();
    manager->startDownloading();
    QTRY_COMPARE(service->requests().size(), 2);
    manager.reset();
    QVERIFY(!stalled);
    QCOMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
}

QTEST_GUILESS_MAIN(tst_DownloadManager)
#include "tst_DownloadManager.moc"
