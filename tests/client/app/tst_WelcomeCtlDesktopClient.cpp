#include "WelcomeBench.h"

#include <ClientAuthData.h>
#include <ClientConfig.h>
#include <ClientTimeScale.h>
#include <HttpCommand.h>
#include <QOZMHamburgerMenuSignalHandler.h>
#include <WelcomeCtlDesktopClient.h>
#include <coBranding.h>

#include <QtTest>

namespace {

const char* const BrandError = "ERROR IN THE BRAND INFO GETTING |";
const char* const PostError = "ERROR IN THE DEVICE INFO POSTING |";
const char* const PostDone = "DEVICE INFO POSTING - DONE";

StandInReply brandReply(const QByteArray& xml)
{
    return StandInReply(QStringLiteral("GET"), HttpCommand::DictionaryPath).xml(xml);
}

const QByteArray Brand = "<result><status>success</status><value><brand_name>Partner</brand_name></value></result>";

} // namespace

// The desktop's account flow against the service stand-in, on the scripted
// backend: the brand information asked for, applied, asked again after a
// request that did not bring it, and the computer's description posted one at
// a time.
class tst_WelcomeCtlDesktopClient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void appliedBrandEnablesTheMenus();
    void brandNotBroughtIsAskedAgain_data();
    void brandNotBroughtIsAskedAgain();
    void networkReturnAsksAtOnce();
    void devicePostOneAtATime_data();
    void devicePostOneAtATime();

private:
    WelcomeCtlDesktopClient* flow() const { return static_cast<WelcomeCtlDesktopClient*>(bench->welcome); }
    QList<StandInRequest> brandRequests() const;
    int posts() const;
    // The critical lines that start with text.
    QStringList linesStartingWith(const QString& text) const;

    std::unique_ptr<WelcomeBench> bench;
    QSharedPointer<QOZMHamburgerMenuSignalHandler> menus;
    std::unique_ptr<QSignalSpy> menusEnabled;
};

void tst_WelcomeCtlDesktopClient::initTestCase()
{
    bench = std::make_unique<WelcomeBench>();
    bench->makeWelcome = [] { return new WelcomeCtlDesktopClient; };
    menus = QOZMHamburgerMenuSignalHandler::inst();
}

void tst_WelcomeCtlDesktopClient::cleanupTestCase()
{
    ClientTimeScale::setForTests(1.0);
}

void tst_WelcomeCtlDesktopClient::init()
{
    // The first wait for a new request is 30 ms.
    ClientTimeScale::setForTests(0.001);
    QCOMPARE(bench->start(Config::ActivateNever), QString());
    coBranding::inst()->revertAllBrandItemsToDefValues(false);
    menusEnabled = std::make_unique<QSignalSpy>(menus.data(),
                                                &QOZMHamburgerMenuSignalHandler::setInitializationDependentMenusEnabled);
}

void tst_WelcomeCtlDesktopClient::cleanup()
{
    menusEnabled.reset();
    QCOMPARE(bench->stop(), QStringList());
}

QList<StandInRequest> tst_WelcomeCtlDesktopClient::brandRequests() const
{
    QList<StandInRequest> found;
    for (const StandInRequest& request : bench->commands.service->requests())
        if (request.path == HttpCommand::DictionaryPath)
            found << request;
    return found;
}

int tst_WelcomeCtlDesktopClient::posts() const
{
    return bench->acts().count(QStringLiteral("device_posture_check"));
}

QStringList tst_WelcomeCtlDesktopClient::linesStartingWith(const QString& text) const
{
    QStringList found;
    for (const QString& line : bench->log->messages(QtCriticalMsg))
        if (line.startsWith(text))
            found << line;
    return found;
}

// The request names the application and the brand's category; the brand is
// applied, the menus are enabled, and nothing more is asked for, now or later.
void tst_WelcomeCtlDesktopClient::appliedBrandEnablesTheMenus()
{
    bench->commands.service->reply(brandReply(Brand));
    QVERIFY(flow()->startBrandInfoCommand());
    QTRY_COMPARE(menusEnabled->count(), 1);
    QCOMPARE(menusEnabled->first().first().toBool(), true);
    QVERIFY(!coBranding::inst()->needUpdate());
    QCOMPARE(coBranding::inst()->brand_name->getStrData(), QStringLiteral("Partner"));

    const QList<StandInRequest> requests = brandRequests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().method, QByteArray("GET"));
    QVERIFY(requests.first().query.contains(qMakePair(QStringLiteral("appid"), bench->account->appId())));
    QVERIFY(requests.first().query.contains(qMakePair(QStringLiteral("category"), QStringLiteral("brand_params"))));
    QCOMPARE(linesStartingWith(BrandError), QStringList());

    QVERIFY(!flow()->startBrandInfoCommand());
    // Many times the first wait for a new request.
    QTest::qWait(300);
    QCOMPARE(brandRequests().size(), 1);
    QCOMPARE(menusEnabled->count(), 1);
}

void tst_WelcomeCtlDesktopClient::brandNotBroughtIsAskedAgain_data()
{
    QTest::addColumn<QByteArray>("firstReply");
    // The name of the code that ends the error line; empty when none is logged.
    QTest::addColumn<QString>("code");
    QTest::newRow("service error") << QByteArray("<result><status>error</status><code>18</code></result>")
                                   << "UnknownApplication";
    // Success without the brand: nothing to log, yet the brand is still missing.
    QTest::newRow("success without a brand") << QByteArray("<result><status>success</status></result>") << QString();
}

// Whatever came back, the menus are enabled; while the brand is missing the
// request is made again, and the next answer applies it.
void tst_WelcomeCtlDesktopClient::brandNotBroughtIsAskedAgain()
{
    QFETCH(QByteArray, firstReply);
    QFETCH(QString, code);
    bench->commands.service->reply(brandReply(Brand));
    bench->commands.service->reply(brandReply(firstReply).times(1));
    QSignalSpy loaded(coBranding::inst(), &coBranding::brandInfoDataIsLoaded);
    QVERIFY(flow()->startBrandInfoCommand());
    QTRY_COMPARE(menusEnabled->count(), 1);
    QCOMPARE(menusEnabled->first().first().toBool(), true);

    QTRY_VERIFY_WITH_TIMEOUT(!coBranding::inst()->needUpdate(), 20000);
    QCOMPARE(menusEnabled->count(), 2);
    QCOMPARE(brandRequests().size(), 2);
    QCOMPARE(loaded.count(), 1);
    const QStringList errors = linesStartingWith(BrandError);
    if (code.isEmpty()) {
        QCOMPARE(errors, QStringList());
    } else {
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(QLatin1String("ERROR IN THE BRAND INFO GETTING | [error] = ")),
                 qPrintable(errors.first()));
        QVERIFY2(errors.first().endsWith(" [sttus code] = " + code), qPrintable(errors.first()));
    }
}

// The network coming back brings the next request at once, not after the wait.
void tst_WelcomeCtlDesktopClient::networkReturnAsksAtOnce()
{
    // The first wait is 30 s: far beyond the time the test allows itself.
    ClientTimeScale::setForTests(1.0);
    bench->commands.service->reply(brandReply(Brand));
    bench->commands.service->reply(brandReply("<result><status>success</status></result>").times(1));
    QVERIFY(flow()->startBrandInfoCommand());
    QTRY_COMPARE(menusEnabled->count(), 1);
    QVERIFY(coBranding::inst()->needUpdate());
    QVERIFY(bench->network->report(WelcomeBench::Down));
    QCOMPARE(brandRequests().size(), 1);
    QVERIFY(bench->network->report(WelcomeBench::Wired));
    QTRY_VERIFY_WITH_TIMEOUT(!coBranding::inst()->needUpdate(), 15000);
    QCOMPARE(brandRequests().size(), 2);
}

void tst_WelcomeCtlDesktopClient::devicePostOneAtATime_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("logged");
    QTest::newRow("accepted") << QByteArray() << PostDone;
    QTest::newRow("refused") << WelcomeBench::error(11, "bad password") << PostError;
}

// A second call while the post is pending sends nothing; once the post has
// ended, the next call posts again.
void tst_WelcomeCtlDesktopClient::devicePostOneAtATime()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, logged);
    bench->knownAccount();
    if (!reply.isEmpty())
        bench->commands.service->reply(
            StandInReply(QStringLiteral("POST"), HttpCommand::MobilePath).act("device_posture_check").xml(reply));
    flow()->postDeviceInfoData();
    flow()->postDeviceInfoData();
    QTRY_VERIFY(!bench->log->messages().filter(logged).isEmpty());
    QCOMPARE(posts(), 1);
    QCOMPARE(bench->log->messages().filter(PostDone).size() + linesStartingWith(PostError).size(), 1);
    if (logged == PostError)
        QVERIFY(linesStartingWith(PostError).first().endsWith(" [sttus code] = AuthenticationError"));

    // The ended post goes with the next turn of the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    flow()->postDeviceInfoData();
    QTRY_COMPARE(posts(), 2);
}

QTEST_MAIN(tst_WelcomeCtlDesktopClient)
#include "tst_WelcomeCtlDesktopClient.moc"
