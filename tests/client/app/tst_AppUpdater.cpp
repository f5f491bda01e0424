// The updater against the stand-in service: the check and its repeats, the
// offer, and the download of the package to its hand-over to the desktop,
// where a recording installer stands in for the package installer and the real
// xdg-open finds it. The updater's minutes are scaled down by one factor.
#include "ApiTestKit.h"

#include <AppUpdater.h>
#include <ClientAuthData.h>
#include <ClientTimeScale.h>
#include <Config.h>
#include <HttpAccess.h>
#include <HttpCommand.h>
#include <HttpResponse.h>
#include <I18n.h>
#include <StandInService.h>
#include <UiResources.h>
#include <UpdateNotify.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(StandInReply)

namespace {

// The minute between checks and the minute without a byte become 3 s.
constexpr double Scale = 0.05;
constexpr int ScaledMinuteMs = int(60000 * Scale);
// Coarse timers may fire up to 5 % early.
constexpr double EarlyTolerance = 0.9;
constexpr int WaitMs = 30000;

const QString PackagePath = QStringLiteral("/pkg/ozm.deb");
// Redirects, with a page of its own, to the package.
const QString MovedPath = QStringLiteral("/pkg/moved");
const QByteArray NoUpdate = "<result><status>success</status></result>";
const char* const PackageType = "application/vnd.debian.binary-package";

// What the desktop's type detection takes for a Debian package, then size bytes.
QByteArray package(int size, char fill)
{
    QByteArray bytes = "!<arch>\ndebian-binary   1700000000  0     0     100644  4         `\n2.0\n";
    for (int i = 0; bytes.size() < size; ++i)
        bytes += char(fill + i % 7);
    return bytes;
}

QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(WaitMs) || tool.exitCode() != 0)
        return program + QStringLiteral(": ") + QString::fromLocal8Bit(tool.readAllStandardError());
    return QString();
}

} // namespace

class tst_AppUpdater : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void noUpdate();
    void failedChecksRepeatEveryMinute();
    void download_data();
    void download();
    void cutTransferRetriedIntoAFreshFile();
    void nextStartRemovesFlagAndPackage();
    void cancelEndsTheTransfer();
    void percent_data();
    void percent();

private:
    // A desktop whose installer for Debian packages copies what it is given.
    void installRecordingInstaller();
    void offerUpdateAt(const QString& location);
    // The offered dialog once it shows; null when none comes.
    UpdateNotify* offer() const;
    void pressUpdateButton();
    QStringList keptPackages() const;
    QString handedOver() const { return desktop.filePath(QStringLiteral("handed-over")); }

    QTemporaryDir desktop;
    std::unique_ptr<StandInService> service;
    QSharedPointer<HttpAccess> access;
    QSharedPointer<ClientAuthData> account;
    std::unique_ptr<AppUpdater> updater;
};

void tst_AppUpdater::initTestCase()
{
    initUiResources();
    for (const char* session : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
        qunsetenv(session);
    qputenv("XDG_DATA_HOME", QFile::encodeName(desktop.filePath("data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(desktop.filePath("config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(desktop.filePath("cache")));
    // Should xdg-open not find the installer, it must not open a web browser either.
    qputenv("BROWSER", "/bin/false");
    installRecordingInstaller();
    service = std::make_unique<StandInService>();
    QVERIFY(service->isRunning());
    access.reset(new HttpAccess(service->url()));
    account.reset(new ClientAuthData);
    ClientTimeScale::setForTests(Scale);
}

void tst_AppUpdater::installRecordingInstaller()
{
    const QString applications = desktop.filePath("data/applications");
    // The path is recorded before the copy appears, so a test that has seen the
    // copy finds its path too.
    writeScript(desktop.filePath("installer"),
                "echo \"$1\" >> '" + QFile::encodeName(desktop.filePath("handed-over.paths")) + "' && /bin/cp \"$1\" '"
                    + QFile::encodeName(handedOver()) + ".part' && /bin/mv '" + QFile::encodeName(handedOver())
                    + ".part' '" + QFile::encodeName(handedOver()) + "'\n");
    writeFile(applications + "/ozm-test-installer.desktop",
              "[Desktop Entry]\nType=Application\nName=Recording package installer\nExec="
                  + QFile::encodeName(desktop.filePath("installer")) + " %f\nMimeType=" + PackageType
                  + ";\nNoDisplay=true\n");
    QCOMPARE(runTool("desktop-file-validate", {applications + "/ozm-test-installer.desktop"}), QString());
    QCOMPARE(runTool("update-desktop-database", {applications}), QString());
    QCOMPARE(runTool("xdg-mime", {"default", "ozm-test-installer.desktop", PackageType}), QString());
}

void tst_AppUpdater::init()
{
    service->reset();
    updater = std::make_unique<AppUpdater>();
    updater->init(access, account);
}

void tst_AppUpdater::cleanup()
{
    updater.reset();
    for (QWidget* window : QApplication::topLevelWidgets())
        delete qobject_cast<UpdateNotify*>(window);
    QCOMPARE(service->violations(), QStringList());
    QTRY_COMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
    QFile::remove(handedOver());
    QFile::remove(AppUpdater::updatingFlagPath());
    QDir(AppUpdater::packageFolder()).removeRecursively();
}

void tst_AppUpdater::cleanupTestCase()
{
    ClientTimeScale::setForTests(1.0);
    Config::drop();
}

void tst_AppUpdater::offerUpdateAt(const QString& location)
{
    service->reply(StandInReply("GET", HttpCommand::MobilePath)
                       .act("update")
                       .xml("<result><status>success</status><url>" + location.toHtmlEscaped().toUtf8()
                            + "</url><version>5400</version><description>Faster.</description></result>"));
    updater->start();
    QTRY_VERIFY_WITH_TIMEOUT(offer() && offer()->isVisible(), WaitMs);
}

UpdateNotify* tst_AppUpdater::offer() const
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* notice = qobject_cast<UpdateNotify*>(window))
            return notice;
    return nullptr;
}

void tst_AppUpdater::pressUpdateButton()
{
    QPushButton* button = offer()->findChild<QPushButton*>("btnUpdate");
    QVERIFY(button && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList tst_AppUpdater::keptPackages() const
{
    return QDir(AppUpdater::packageFolder()).entryList(QDir::Files | QDir::Hidden);
}

void tst_AppUpdater::noUpdate()
{
    service->reply(StandInReply("GET", HttpCommand::MobilePath).act("update").xml(NoUpdate));
    QSignalSpy finished(updater.get(), &AppUpdater::finished);
    const MessageCapture log;
    updater->start();
    QVERIFY(finished.wait(WaitMs));
    QVERIFY(log.messages().contains("Update check: no update"));
    QVERIFY(!offer());
    const StandInRequest check = service->requests().value(0);
    QVERIFY2(check.rawQuery().contains("&locale=en_EN&os=linux&"), check.rawQuery().constData());
    QVERIFY2(check.rawQuery().endsWith("&version=5314"), check.rawQuery().constData());
}

// A reply that is no XML document fails the check without the command's own
// retries; the updater asks again a minute later, and stops at the first answer.
void tst_AppUpdater::failedChecksRepeatEveryMinute()
{
    service->reply(StandInReply("GET", HttpCommand::MobilePath).act("update").xml(NoUpdate));
    service->reply(StandInReply("GET", HttpCommand::MobilePath).act("update").body("no document").times(3));
    QSignalSpy finished(updater.get(), &AppUpdater::finished);
    QElapsedTimer clock;
    clock.start();
    updater->start();
    QVERIFY(finished.wait(WaitMs + 3 * ScaledMinuteMs));
    QVERIFY(clock.elapsed() >= qint64(3 * ScaledMinuteMs * EarlyTolerance));
    QCOMPARE(service->requests().size(), 4);
    QTest::qWait(ScaledMinuteMs + 500);
    QCOMPARE(service->requests().size(), 4);
    QCOMPARE(finished.count(), 1);
}

void tst_AppUpdater::download_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<StandInReply>("reply");
    // Empty for a package that is handed over.
    QTest::addColumn<QString>("error");

    const QString https = service->url() + PackagePath;
    const StandInReply reply("GET", PackagePath);
    const QByteArray good = package(200000, 'a');
    const QString timedOut = I18n::localizeNetworkReplyError(QNetworkReply::TimeoutError);
    const QString closedEarly = I18n::localizeNetworkReplyError(QNetworkReply::RemoteHostClosedError);

    QTest::newRow("good package") << https << StandInReply(reply).body(good) << QString();
    QTest::newRow("redirect to https") << service->url() + MovedPath << StandInReply(reply).body(good) << QString();
    QTest::newRow("http location") << service->url(StandInService::Http) + PackagePath << StandInReply(reply).body(good)
                                   << "Failed to get update location";
    QTest::newRow("redirect to http")
        << https << StandInReply(reply).redirect((service->url(StandInService::Http) + PackagePath).toUtf8())
        << I18n::localizeNetworkReplyError(QNetworkReply::InsecureRedirectError);
    QTest::newRow("not found") << https << StandInReply(reply).status(404).body("no such package")
                               << I18n::localizeNetworkReplyError(QNetworkReply::ContentNotFoundError);
    QTest::newRow("no head") << https << StandInReply(reply).stall() << timedOut;
    QTest::newRow("stalled transfer") << https << StandInReply(reply).body(good).stallAfter(65536) << timedOut;
    QTest::newRow("cut transfer") << https << StandInReply(reply).body(good).resetAfter(65536) << closedEarly;
    QTest::newRow("shorter than announced") << https << StandInReply(reply).body(good).closeEarly() << closedEarly;
}

void tst_AppUpdater::download()
{
    QFETCH(QString, location);
    QFETCH(StandInReply, reply);
    QFETCH(QString, error);
    service->reply(StandInReply("GET", MovedPath)
                       .redirect((service->url() + PackagePath).toUtf8())
                       .body("<html><body>Moved to the package</body></html>"));
    service->reply(reply);
    offerUpdateAt(location);
    QSignalSpy errors(updater.get(), &AppUpdater::updateError);
    QSignalSpy finished(updater.get(), &AppUpdater::updateFinished);
    QSignalSpy progress(updater.get(), &AppUpdater::updateProgress);
    pressUpdateButton();

    if (!error.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, WaitMs + ScaledMinuteMs);
        QCOMPARE(errors.first().first().toString(), error);
        QCOMPARE(finished.count(), 0);
        // Nothing is kept, nothing handed over, no flag.
        QCOMPARE(keptPackages(), QStringList());
        QVERIFY(!QFile::exists(AppUpdater::updatingFlagPath()));
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, WaitMs);
        QCOMPARE(errors.count(), 0);
        QCOMPARE(progress.last(), QVariantList({"Installing update", 100}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(handedOver()), WaitMs);
        QCOMPARE(contentOf(handedOver()), package(200000, 'a'));
        const QStringList kept = keptPackages();
        QCOMPARE(kept.size(), 1);
        QVERIFY2(kept.first().endsWith(".deb"), qPrintable(kept.first()));
        QCOMPARE(contentOf(desktop.filePath("handed-over.paths")).trimmed(),
                 QFile::encodeName(AppUpdater::packageFolder() + '/' + kept.first()));
        QVERIFY(QFile::exists(AppUpdater::updatingFlagPath()));
        QFile::remove(desktop.filePath("handed-over.paths"));
    }
    QCOMPARE(service->connections(StandInService::Http), 0);
}

// The retry gets a shorter package: had the file of the first attempt been
// reused, its tail would still be there.
void tst_AppUpdater::cutTransferRetriedIntoAFreshFile()
{
    const QByteArray shorter = package(50000, 'k');
    service->reply(StandInReply("GET", PackagePath).body(shorter));
    service->reply(StandInReply("GET", PackagePath).body(package(200000, 'a')).resetAfter(150000).times(1));
    offerUpdateAt(service->url() + PackagePath);
    QSignalSpy errors(updater.get(), &AppUpdater::updateError);
    QSignalSpy finished(updater.get(), &AppUpdater::updateFinished);
    pressUpdateButton();
    QVERIFY(errors.wait(WaitMs));
    QCOMPARE(keptPackages(), QStringList());

    pressUpdateButton();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(handedOver()), WaitMs);
    QCOMPARE(contentOf(handedOver()), shorter);
    QCOMPARE(errors.count(), 1);
}

void tst_AppUpdater::nextStartRemovesFlagAndPackage()
{
    service->reply(StandInReply("GET", PackagePath).body(package(20000, 'p')));
    offerUpdateAt(service->url() + PackagePath);
    QSignalSpy finished(updater.get(), &AppUpdater::updateFinished);
    pressUpdateButton();
    QVERIFY(finished.wait(WaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(handedOver()), WaitMs);
    QCOMPARE(keptPackages().size(), 1);
    QVERIFY(QFile::exists(AppUpdater::updatingFlagPath()));
    // The installer may read the package after the client has quit.
    updater.reset();
    QCOMPARE(keptPackages().size(), 1);

    const MessageCapture log;
    updater = std::make_unique<AppUpdater>();
    QVERIFY(!QFile::exists(AppUpdater::updatingFlagPath()));
    QCOMPARE(keptPackages(), QStringList());
    QVERIFY(log.messages().contains("Removing update flag " + AppUpdater::updatingFlagPath()));
}

void tst_AppUpdater::cancelEndsTheTransfer()
{
    const QByteArray good = package(30000, 'g');
    service->reply(StandInReply("GET", PackagePath).body(good));
    service->reply(StandInReply("GET", PackagePath).body(package(200000, 'a')).drip(1000, 100).times(1));
    offerUpdateAt(service->url() + PackagePath);
    QSignalSpy progress(updater.get(), &AppUpdater::updateProgress);
    pressUpdateButton();
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(1).toInt() > 0, WaitMs);
    pressUpdateButton();
    QCOMPARE(updater->findChildren<QNetworkAccessManager*>(), QList<QNetworkAccessManager*>());
    QCOMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
    QCOMPARE(keptPackages(), QStringList());

    QSignalSpy finished(updater.get(), &AppUpdater::updateFinished);
    pressUpdateButton();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(handedOver()), WaitMs);
    QCOMPARE(contentOf(handedOver()), good);
    QCOMPARE(service->requests().size(), 3);
}

void tst_AppUpdater::percent_data()
{
    QTest::addColumn<qint64>("current");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("percent");
    QTest::newRow("half") << qint64(512) << qint64(1024) << 50;
    QTest::newRow("beyond 32 bits") << qint64(3000000000) << qint64(6000000000) << 50;
    QTest::newRow("total unknown, zero") << qint64(4096) << qint64(0) << 0;
    QTest::newRow("total unknown, negative") << qint64(4096) << qint64(-1) << 0;
}

void tst_AppUpdater::percent()
{
    QFETCH(qint64, current);
    QFETCH(qint64, total);
    QSignalSpy progress(updater.get(), &AppUpdater::updateProgress);
    updater->downloadProgress(current, total);
    QCOMPARE(progress.count(), 1);
    QCOMPARE(progress.first().at(0).toString(), QStringLiteral("Downloading update"));
    QTEST(progress.first().at(1).toInt(), "percent");
}

QTEST_MAIN(tst_AppUpdater)
#include "tst_AppUpdater.moc"
