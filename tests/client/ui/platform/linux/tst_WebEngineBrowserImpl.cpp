// The embedded browser on the real engine, against the stand-in service's https
// port (trusted for this test's engine alone), its http port and its port with
// a self-signed certificate.
#include "NativeBrowser.h"
#include "UiFonts.h"
#include "WebEngineBrowserImpl.h"

#include <StandInService.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslSocket>
#include <QTest>
#include <QWebEngineDownloadItem>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>

namespace {

// Loading Chromium under the sanitizers on a busy machine is slow; this only
// bounds a hang, it is no timing margin.
constexpr int LoadTimeoutMs = 120000;

// The key of the https port's certificate, as Chromium names it in
// --ignore-certificate-errors-spki-list.
QByteArray spkiOf(const StandInService& service)
{
    QSslSocket socket;
    socket.setPeerVerifyMode(QSslSocket::VerifyNone);
    socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), service.port());
    if (!socket.waitForEncrypted(LoadTimeoutMs))
        return {};
    const QByteArray spki = socket.peerCertificate().publicKey().toDer();
    return QCryptographicHash::hash(spki, QCryptographicHash::Sha256).toBase64();
}

bool manyColours(const QImage& image)
{
    if (image.isNull())
        return false;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            if (image.pixel(x, y) != first)
                return true;
    return false;
}

const QByteArray Page =
    "<!doctype html><html><head><title>help</title></head>\n"
    "<body style=\"margin:0\">\n"
    "<a id=\"same\" href=\"/next\" style=\"position:absolute;left:0;top:0;width:200px;height:150px;background:#2C9B38\"></a>\n"
    "<a id=\"other\" href=\"https://example.net/elsewhere\" style=\"position:absolute;left:200px;top:0;width:200px;height:150px;background:#44C3E6\"></a>\n"
    "<a id=\"window\" href=\"https://example.org/new\" target=\"_blank\" style=\"position:absolute;left:0;top:150px;width:200px;height:150px;background:#DBDBDB\"></a>\n"
    "<p style=\"position:absolute;left:210px;top:160px\">Online Help</p>\n"
    "</body></html>\n";

} // namespace

class tst_WebEngineBrowserImpl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void loadsATrustedPage();
    void refused_data();
    void refused();
    void clickedLinks_data();
    void clickedLinks();
    void geolocationIsDenied();
    void downloadsSaveNothing();

private:
    bool loadAndWait(const QString& url, bool* ok);
    QWebEngineView* view() const { return m_browser->findChild<QWebEngineView*>(); }

    std::unique_ptr<StandInService> m_service;
    std::unique_ptr<QWidget> m_window;
    NativeBrowser* m_browser = nullptr;
};

void tst_WebEngineBrowserImpl::initTestCase()
{
    m_service = std::make_unique<StandInService>();
    QVERIFY(m_service->isRunning());
    const QByteArray spki = spkiOf(*m_service);
    QVERIFY(!spki.isEmpty());
    // Read when the first profile starts the engine, which is after this.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--ignore-certificate-errors-spki-list=" + spki);
    UiFonts::installSubstitutes();
    WebEngineBrowserImpl::install();
}

void tst_WebEngineBrowserImpl::init()
{
    m_service->reply(StandInReply("GET", "/help").body(Page).header("Content-Type", "text/html"));
    m_service->reply(StandInReply("GET", "/next").body("<html><body>next</body></html>").header("Content-Type", "text/html"));
    m_window = std::make_unique<QWidget>();
    m_window->setObjectName("Browser");
    m_browser = new NativeBrowser(m_window.get());
    m_browser->setGeometry(0, 0, 400, 300);
    m_window->resize(400, 300);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_WebEngineBrowserImpl::cleanup()
{
    m_window.reset();
    QCOMPARE(m_service->violations(), QStringList());
    m_service->reset();
}

bool tst_WebEngineBrowserImpl::loadAndWait(const QString& url, bool* ok)
{
    QSignalSpy finished(m_browser, &NativeBrowser::loadFinished);
    m_browser->load(url);
    if (!finished.wait(LoadTimeoutMs))
        return false;
    *ok = finished.last().first().toBool();
    return true;
}

void tst_WebEngineBrowserImpl::loadsATrustedPage()
{
    QSignalSpy started(m_browser, &NativeBrowser::loadStarted);
    QSignalSpy progress(m_browser, &NativeBrowser::loadProgress);
    bool ok = false;
    QVERIFY(loadAndWait(m_service->url() + "/help", &ok));
    QVERIFY(ok);
    QCOMPARE(started.count(), 1);
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().first().toInt(), 100);
    QCOMPARE(m_browser->url(), m_service->url() + "/help");
    QTRY_VERIFY_WITH_TIMEOUT(manyColours(m_browser->currentPixmap().toImage()), LoadTimeoutMs);
    QCOMPARE(view()->contextMenuPolicy(), Qt::NoContextMenu);
}

void tst_WebEngineBrowserImpl::refused_data()
{
    QTest::addColumn<int>("port");
    QTest::newRow("plain http") << int(StandInService::Http);
    QTest::newRow("untrusted certificate") << int(StandInService::SelfSigned);
    QTest::newRow("expired certificate") << int(StandInService::Expired);
}

void tst_WebEngineBrowserImpl::refused()
{
    QFETCH(int, port);
    const auto which = StandInService::Port(port);
    m_service->reply(StandInReply("GET", "/help").body(Page).header("Content-Type", "text/html"));
    QSignalSpy finished(m_browser, &NativeBrowser::loadFinished);

    m_browser->load(m_service->url(which) + "/help");
    if (which == StandInService::Http) {
        // Refused before anything goes out: whether the engine reports the
        // aborted load or not, nothing is shown and nothing is asked.
        m_browser->loadBlank();
        QVERIFY(finished.wait(LoadTimeoutMs));
        QCOMPARE(m_browser->url(), QString("about:blank"));
        QCOMPARE(m_service->connections(which), 0);
    } else {
        QVERIFY(finished.wait(LoadTimeoutMs));
        QCOMPARE(finished.last().first().toBool(), false);
        QVERIFY(m_service->connections(which) > 0);
    }
    for (const StandInRequest& request : m_service->requests())
        QVERIFY2(request.port == "https", qPrintable(request.port));
}

void tst_WebEngineBrowserImpl::clickedLinks_data()
{
    QTest::addColumn<QPoint>("where");
    QTest::addColumn<QString>("inPlace");
    QTest::addColumn<QString>("external");
    QTest::newRow("same host") << QPoint(100, 75) << "/next" << "";
    QTest::newRow("another host") << QPoint(300, 75) << "" << "https://example.net/elsewhere";
    QTest::newRow("a new window") << QPoint(100, 225) << "" << "https://example.org/new";
}

void tst_WebEngineBrowserImpl::clickedLinks()
{
    QFETCH(QPoint, where);
    QFETCH(QString, inPlace);
    QFETCH(QString, external);
    bool ok = false;
    QVERIFY(loadAndWait(m_service->url() + "/help", &ok));
    QVERIFY(ok);
    QTRY_VERIFY_WITH_TIMEOUT(manyColours(m_browser->currentPixmap().toImage()), LoadTimeoutMs);
    QSignalSpy elsewhere(m_browser, &NativeBrowser::externalNavigate);
    QSignalSpy finished(m_browser, &NativeBrowser::loadFinished);

    QWidget* surface = view()->focusProxy();
    QTest::mouseClick(surface, Qt::LeftButton, {}, where);
    if (!inPlace.isEmpty()) {
        QVERIFY(finished.wait(LoadTimeoutMs));
        QCOMPARE(m_browser->url(), m_service->url() + inPlace);
        QVERIFY(elsewhere.isEmpty());
    } else {
        QVERIFY(elsewhere.wait(LoadTimeoutMs));
        QCOMPARE(elsewhere.first().first().toString(), external);
        QCOMPARE(m_browser->url(), m_service->url() + "/help");
    }
}

void tst_WebEngineBrowserImpl::geolocationIsDenied()
{
    m_service->reply(StandInReply("GET", "/where")
                         .header("Content-Type", "text/html")
                         .body("<html><body><script>navigator.geolocation.getCurrentPosition("
                               "function() { document.title = 'granted'; },"
                               "function(e) { document.title = 'denied ' + e.code; });</script></body></html>"));
    bool ok = false;
    QVERIFY(loadAndWait(m_service->url() + "/where", &ok));
    QVERIFY(ok);
    QTRY_COMPARE_WITH_TIMEOUT(view()->page()->title(), QString("denied 1"), LoadTimeoutMs);
}

void tst_WebEngineBrowserImpl::downloadsSaveNothing()
{
    m_service->reply(StandInReply("GET", "/guide.pdf")
                         .header("Content-Type", "application/octet-stream")
                         .header("Content-Disposition", "attachment; filename=guide.pdf")
                         .body("%PDF-1.4 not really"));
    qRegisterMetaType<QWebEngineDownloadItem*>();
    QSignalSpy asked(view()->page()->profile(), &QWebEngineProfile::downloadRequested);
    m_browser->load(m_service->url() + "/guide.pdf");
    QVERIFY(asked.wait(LoadTimeoutMs));
    auto* download = asked.first().first().value<QWebEngineDownloadItem*>();
    QCOMPARE(download->state(), QWebEngineDownloadItem::DownloadCancelled);
    QVERIFY(!QFile::exists(download->downloadDirectory() + "/" + download->downloadFileName()));
}

int main(int argc, char** argv)
{
    WebEngineBrowserImpl::prepareApplication();
    QApplication app(argc, argv);
    tst_WebEngineBrowserImpl test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_WebEngineBrowserImpl.moc"
