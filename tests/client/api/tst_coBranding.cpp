#include "ApiTestKit.h"
#include "BrandTestKit.h"

#include <CacheEntry.h>
#include <ClientAuthData.h>
#include <DownloadManager.h>
#include <FakeHostFacts.h>
#include <GetBrandInfoCommand.h>
#include <GetBuyPageCommand.h>
#include <HostProbes.h>
#include <HttpAccess.h>
#include <HttpResponse.h>
#include <ResourcesCache.h>
#include <StandInService.h>
#include <coBranding.h>

#include <QDomDocument>
#include <QtTest>

#include <algorithm>
#include <memory>

using Cache = ResourcesCache<CacheEntry>;

class tst_coBranding : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void itemsInOrder();
    void replyApplied();
    void missingImagesFallBack();
    void noValueChangesNothing_data();
    void noValueChangesNothing();
    void unusableImages_data();
    void unusableImages();
    void oneOfTwoFails();
    void lateDownloadAppliedAgain();
    void staleRoundNotApplied();
    void cacheAtStart_data();
    void cacheAtStart();
    void buyPage();

private:
    // Runs the brand-info command and applies what it brought.
    bool fetchBrand();
    QString imageUrl(const QString& name) const { return service->url() + QStringLiteral("/img/") + name; }
    void serveBrand(const QMap<QString, QString>& values);

    FakeHostFacts facts;
    std::unique_ptr<StandInService> service;
    std::unique_ptr<HttpAccess> access;
    std::unique_ptr<ClientAuthData> account;
    coBranding* brand = nullptr;
    QImage builtInLogo;
    QImage builtInIcon;
};

namespace {

const QDateTime Modified(QDate(2024, 3, 1), QTime(10, 0), Qt::UTC);
const QByteArray ModifiedText = "Fri, 01 Mar 2024 10:00:00 GMT";

bool cached(const QString& name)
{
    return QFileInfo::exists(Cache::entryFilePath(name));
}

} // namespace

void tst_coBranding::initTestCase()
{
    facts.id = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    setHostFacts(&facts);
    service = std::make_unique<StandInService>();
    QVERIFY(service->isRunning());
    access = std::make_unique<HttpAccess>(service->url());
    account = std::make_unique<ClientAuthData>();
    account->setEmail(QStringLiteral("a+b@x.org"));
    brand = coBranding::inst();
    QCOMPARE(coBranding::inst(), brand);
    const MessageCapture log;
    brand->loadDefaultImages();
    QVERIFY(log.messages().contains(QStringLiteral("[co-branding] : loading of the default pictures - OK")));
    builtInLogo = brand->logo->getImgData();
    builtInIcon = brand->icon_72x72px->getImgData();
    QCOMPARE(builtInLogo.size(), QSize(120, 40));
    QCOMPARE(builtInIcon.size(), QSize(72, 72));
}

// The download manager belongs to the application object, which the test's main
// destroys last; its transfer thread is ended now, while the application stands,
// since one ended during the application's own destruction may be left unfinished.
void tst_coBranding::cleanupTestCase()
{
    delete brand->downloadManager();
    access.reset();
}

void tst_coBranding::init()
{
    service->reset();
    brand->revertAllBrandItemsToDefValues(false);
    QDir(Cache::cacheDirPath()).removeRecursively();
    brand->downloadManager()->setTimeoutInterval(DownloadManager::DefaultTimeoutMs);
}

void tst_coBranding::cleanup()
{
    brand->downloadManager()->clear();
    QCOMPARE(service->violations(), QStringList());
    QTRY_COMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
}

void tst_coBranding::serveBrand(const QMap<QString, QString>& values)
{
    QByteArray xml = "<result><status>success</status><value>";
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        xml += "<" + it.key().toUtf8() + ">" + it.value().toHtmlEscaped().toUtf8() + "</" + it.key().toUtf8() + ">";
    service->reply(StandInReply(QStringLiteral("GET"), HttpCommand::DictionaryPath).xml(xml + "</value></result>"));
}

bool tst_coBranding::fetchBrand()
{
    GetBrandInfoCommand command(*account, nullptr);
    QSignalSpy completed(&command, &HttpCommand::completed);
    command.execute(access.get());
    if (!completed.wait(20000))
        return false;
    return brand->fillByServerResponse(command.commandXMLanswer());
}

void tst_coBranding::itemsInOrder()
{
    const QStringList names = {"product_name", "brand_name",   "buy_url",           "support_email",
                               "feedback_email", "placeholder_email", "icon_72x72px", "logo",
                               "help_url",     "faq_url",      "visit_website_url", "privacy_tips_url",
                               "qsg_url",      "qsg_popup_url"};
    for (const QString& name : names)
        QVERIFY2(brand->getItemByName(name), qPrintable(name));
    QCOMPARE(brand->getItemByName(QStringLiteral("logo")), brand->logo.data());
    QVERIFY(!brand->getItemByName(QStringLiteral("nothing")));
    QCOMPARE(brand->product_name->getStrData(), QStringLiteral("Ozmira"));
    QVERIFY(brand->buy_url->getStrData().startsWith(QLatin1String("https://")));
    QVERIFY(brand->buy_url->getStrData().endsWith(QLatin1String("/get-protected/")));
    QVERIFY(brand->qsg_popup_url->getStrData().endsWith(QLatin1String("/docs/branding/qsg/popup/mac/")));
    QVERIFY(brand->needUpdate());
    // It goes with the application object, not after it with the brand.
    QCOMPARE(brand->downloadManager()->parent(), QCoreApplication::instance());
}

// Texts set, images fetched and cached, one notice; the next start shows the
// cached images at once, and the next request is conditional.
void tst_coBranding::replyApplied()
{
    const QByteArray logoPng = pngBytes(QSize(30, 10), Qt::red);
    const QByteArray iconPng = pngBytes(QSize(72, 72), Qt::green);
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/logo")).body(logoPng).lastModified(Modified));
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/icon")).body(iconPng));
    serveBrand({{"brand_name", "Partner Shield"},
                {"support_email", "help@partner.invalid"},
                {"buy_url", "https://shop.partner.invalid/buy/"},
                {"logo", imageUrl("logo")},
                {"icon_72x72px", imageUrl("icon")},
                {"unknown_item", "ignored"}});
    QSignalSpy loaded(brand, &coBranding::brandInfoDataIsLoaded);
    QVERIFY(fetchBrand());
    QVERIFY(!brand->needUpdate());
    QVERIFY(loaded.wait(20000));
    QCOMPARE(service->requests().first().rawQuery(), QByteArray("appid=MAC-OZM&category=brand_params&fmt=xml"));
    QCOMPARE(brand->brand_name->getStrData(), QStringLiteral("Partner Shield"));
    QCOMPARE(brand->support_email->getStrData(), QStringLiteral("help@partner.invalid"));
    QCOMPARE(brand->buy_url->getStrData(), QStringLiteral("https://shop.partner.invalid/buy/"));
    QCOMPARE(brand->product_name->getStrData(), QStringLiteral("Ozmira"));
    QCOMPARE(brand->logo->getImgData().size(), QSize(30, 10));
    QCOMPARE(brand->icon_72x72px->getImgData().pixelColor(0, 0), QColor(Qt::green));
    QCOMPARE(Cache::loadEntry(QStringLiteral("logo")).data, logoPng);
    QCOMPARE(Cache::loadEntry(QStringLiteral("logo")).lastModified, ModifiedText);
    QVERIFY(Cache::loadEntry(QStringLiteral("icon_72x72px")).lastModified.isNull());
    QCOMPARE(contentOf(Cache::entryFilePath(QStringLiteral("icon_72x72px"))).mid(8, 4), QByteArray(4, '\xff'));
    QVERIFY(!brand->needUpdate());
    QCOMPARE(loaded.count(), 1);

    // As the next start finds it: built-in images, then the cache's.
    brand->logo->revertDefValue();
    brand->icon_72x72px->revertDefValue();
    QVERIFY(brand->loadCachedResources());
    QCOMPARE(loaded.count(), 2);
    QCOMPARE(brand->logo->getImgData().size(), QSize(30, 10));
    QCOMPARE(brand->icon_72x72px->getImgData().size(), QSize(72, 72));

    service->reset();
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/logo")).body("changed").lastModified(Modified));
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/icon")).body(iconPng));
    serveBrand({{"logo", imageUrl("logo")}, {"icon_72x72px", imageUrl("icon")}});
    QVERIFY(fetchBrand());
    QVERIFY(loaded.wait(20000));
    for (const StandInRequest& request : service->requests()) {
        if (request.path == QLatin1String("/img/logo"))
            QCOMPARE(request.header("If-Modified-Since"), ModifiedText);
        if (request.path == QLatin1String("/img/icon"))
            QVERIFY(request.header("If-Modified-Since").isNull());
    }
    QCOMPARE(brand->logo->getImgData().size(), QSize(30, 10));
    QCOMPARE(Cache::loadEntry(QStringLiteral("logo")).data, logoPng);
}

// No logo: built-in back, cache file gone; an empty or unusable text keeps
// the value; with nothing to fetch the notice comes inside the call.
void tst_coBranding::missingImagesFallBack()
{
    QVERIFY(brand->logo->setImgData(QImage(5, 5, QImage::Format_ARGB32), false));
    QVERIFY(Cache::saveEntry(QStringLiteral("logo"), CacheEntry{QByteArray(), pngBytes(QSize(5, 5))}));
    QVERIFY(brand->brand_name->setStrData(QStringLiteral("Before"), false));
    serveBrand({{"brand_name", ""}, {"buy_url", "javascript:alert(1)"}, {"icon_72x72px", ""}});
    GetBrandInfoCommand command(*account, nullptr);
    QSignalSpy completed(&command, &HttpCommand::completed);
    command.execute(access.get());
    QVERIFY(completed.wait(20000));
    QSignalSpy loaded(brand, &coBranding::brandInfoDataIsLoaded);
    const MessageCapture log;
    QVERIFY(brand->fillByServerResponse(command.commandXMLanswer()));
    QCOMPARE(loaded.count(), 1);
    QVERIFY(!brand->needUpdate());
    QCOMPARE(brand->logo->getImgData(), builtInLogo);
    QCOMPARE(brand->icon_72x72px->getImgData(), builtInIcon);
    QVERIFY(!cached(QStringLiteral("logo")));
    QCOMPARE(brand->brand_name->getStrData(), QStringLiteral("Before"));
    QVERIFY(brand->buy_url->getStrData().endsWith(QLatin1String("/get-protected/")));
    const QStringList warnings = log.messages(QtWarningMsg);
    QVERIFY(warnings.contains(QStringLiteral("Empty data in the BrandItem for brand_name")));
    QVERIFY(warnings.contains(QStringLiteral("Empty data in the BrandItem for buy_url")));
    QVERIFY(log.messages(QtCriticalMsg).contains(QStringLiteral("[co-branding] BRAND INFO is loaded successfully")));
}

void tst_coBranding::noValueChangesNothing_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("no value element") << QByteArray("<result><status>error</status><code>5</code></result>");
    QTest::newRow("no reply") << QByteArray();
}

void tst_coBranding::noValueChangesNothing()
{
    QFETCH(QByteArray, reply);
    if (reply.isEmpty())
        service->reply(StandInReply(QStringLiteral("GET"), HttpCommand::DictionaryPath).status(500));
    else
        service->reply(StandInReply(QStringLiteral("GET"), HttpCommand::DictionaryPath).xml(reply));
    QVERIFY(brand->brand_name->setStrData(QStringLiteral("Before"), false));
    QVERIFY(Cache::saveEntry(QStringLiteral("logo"), CacheEntry{QByteArray(), pngBytes(QSize(5, 5))}));
    GetBrandInfoCommand command(*account, nullptr);
    command.setupRetries(0, 0, 0);
    QSignalSpy completed(&command, &HttpCommand::completed);
    command.execute(access.get());
    QVERIFY(completed.wait(20000));
    QSignalSpy loaded(brand, &coBranding::brandInfoDataIsLoaded);
    const MessageCapture log;
    QVERIFY(!brand->fillByServerResponse(command.commandXMLanswer()));
    QVERIFY(log.messages(QtCriticalMsg).contains(QStringLiteral("ERROR [co-branding] Xml response is empty")));
    QCOMPARE(loaded.count(), 0);
    QVERIFY(brand->needUpdate());
    QCOMPARE(brand->brand_name->getStrData(), QStringLiteral("Before"));
    QVERIFY(cached(QStringLiteral("logo")));
}

void tst_coBranding::unusableImages_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("bomb") << "bomb";
    QTest::newRow("not an image") << "text";
    QTest::newRow("over 4 MiB") << "huge";
    QTest::newRow("file address") << "file:///etc/hostname";
}

// What is no image, or too much of one, changes nothing and is not cached.
void tst_coBranding::unusableImages()
{
    QFETCH(QString, path);
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/bomb")).body(pngDeclaring(16000, 16000)));
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/text")).body("<html>not a logo</html>"));
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/huge")).generated(5 * 1024 * 1024));
    serveBrand({{"logo", path.contains(QLatin1Char(':')) ? path : imageUrl(path)}});
    QSignalSpy loaded(brand, &coBranding::brandInfoDataIsLoaded);
    QVERIFY(fetchBrand());
    QVERIFY(loaded.count() == 1 || loaded.wait(20000));
    QCOMPARE(brand->logo->getImgData(), builtInLogo);
    QVERIFY(!cached(QStringLiteral("logo")));
}

void tst_coBranding::oneOfTwoFails()
{
    const QByteArray oldLogo = pngBytes(QSize(6, 6), Qt::blue);
    QVERIFY(Cache::saveEntry(QStringLiteral("logo"), CacheEntry{QByteArray(), oldLogo}));
    QVERIFY(brand->loadCachedResources());
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/img/icon")).body(pngBytes(QSize(8, 8))));
    serveBrand({{"logo", imageUrl("gone")}, {"icon_72x72px", imageUrl("icon")}});
    QSignalSpy loaded(brand, &coBranding::brandInfoDataIsLoaded);
    QVERIFY(fetchBrand());
    QVERIFY(loaded.wait(20000));
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(brand->icon_72x72px->getImgData().size(), QSize(8, 8));
    QVERIFY(cached(QStringLiteral("icon_72x72px")));
    QCOMPARE(brand->logo->getImgData().size(), QSize(6, 6));
    QCOMPARE(Cache::loadEntry(QStringLiteral("logo")).data, oldLogo);
}

// Reported at the time limit with what there is; the late image is applied
// when it comes, with a second notice.
void tst_coBranding::lateDownloadAppliedAgain()
{
    brand->downloadManager()->setTimeoutInterval(100);
    service->reply(
        StandInReply(QStringLiteral("GET"), QStringLiteral("/img/slow")).delay(3000).body(pngBytes(QSize(9, 9))));
    serveBrand({{"logo", imageUrl("slow")}});
    QSignalSpy loaded(brand, &coBranding::brandInfoDataIsLoaded);
    QVERIFY(fetchBrand());
    QVERIFY(loaded.wait(20000));
    QCOMPARE(brand->logo->getImgData(), builtInLogo);
    QVERIFY(!brand->needUpdate());
    QVERIFY(loaded.wait(20000));
    QCOMPARE(loaded.count(), 2);
    QCOMPARE(brand->logo->getImgData().size(), QSize(9, 9));
    QVERIFY(cached(QStringLiteral("logo")));
}

// A newer reply that dropped the logo is not undone by the older reply's
// download ending late.
void tst_coBranding::staleRoundNotApplied()
{
    service->reply(
        StandInReply(QStringLiteral("GET"), QStringLiteral("/img/old")).delay(500).body(pngBytes(QSize(9, 9))));
    serveBrand({{"logo", imageUrl("old")}});
    QSignalSpy loaded(brand, &coBranding::brandInfoDataIsLoaded);
    QVERIFY(fetchBrand());
    const auto oldAsked = [this] {
        const QList<StandInRequest> requests = service->requests();
        return std::any_of(requests.cbegin(), requests.cend(),
                           [](const StandInRequest& r) { return r.path == QLatin1String("/img/old"); });
    };
    QTRY_VERIFY(oldAsked());
    serveBrand({});
    QVERIFY(fetchBrand());
    QCOMPARE(loaded.count(), 1);
    QTest::qWait(1500);
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(brand->logo->getImgData(), builtInLogo);
    QVERIFY(!cached(QStringLiteral("logo")));
}

void tst_coBranding::cacheAtStart_data()
{
    QTest::addColumn<QByteArray>("logoFile");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QSize>("size");
    QTest::newRow("no cache files") << QByteArray() << false << builtInLogo.size();
    QTest::newRow("cached image") << pngBytes(QSize(7, 3)) << true << QSize(7, 3);
    QTest::newRow("cached bytes no image") << QByteArray("garbage") << true << QSize(0, 0);
    QTest::newRow("cached bomb") << pngDeclaring(16000, 16000) << true << QSize(0, 0);
}

// A cached file that is no image still counts: the item becomes a null image.
void tst_coBranding::cacheAtStart()
{
    QFETCH(QByteArray, logoFile);
    QFETCH(bool, loaded);
    QFETCH(QSize, size);
    if (!logoFile.isEmpty())
        QVERIFY(Cache::saveEntry(QStringLiteral("logo"), CacheEntry{QByteArray(), logoFile}));
    QSignalSpy notices(brand, &coBranding::brandInfoDataIsLoaded);
    QCOMPARE(brand->loadCachedResources(), loaded);
    QCOMPARE(notices.count(), loaded ? 1 : 0);
    QCOMPARE(brand->logo->getImgData().size(), size);
    QVERIFY(brand->needUpdate());
}

void tst_coBranding::buyPage()
{
    service->reply(StandInReply(QStringLiteral("GET"), HttpCommand::DictionaryPath)
                       .xml("<result><status>success</status><value>https://shop.invalid/buy?u=1</value></result>"));
    GetBuyPageCommand command(*account, nullptr);
    QSignalSpy completed(&command, &HttpCommand::completed);
    command.execute(access.get());
    QVERIFY(completed.wait(20000));
    QVERIFY(completed.first().first().toBool());
    QCOMPARE(command.buyUrl, QStringLiteral("https://shop.invalid/buy?u=1"));
    QCOMPARE(service->requests().first().rawQuery(),
             QByteArray("appid=MAC-OZM&category=url&email=a%2Bb@x.org&fmt=xml&key=buy"));
}

QTEST_GUILESS_MAIN(tst_coBranding)
#include "tst_coBranding.moc"
