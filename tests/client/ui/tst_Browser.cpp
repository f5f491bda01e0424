#include "Browser.h"
#include "ClientConfig.h"
#include "I18n.h"
#include "NativeBrowser.h"
#include "OzmApplication.h"
#include "PackFixture.h"
#include "ScriptedBrowserImpl.h"
#include "UiFonts.h"
#include "UiResources.h"
#include "coBranding.h"

#include <StandInService.h>

#include <QApplication>
#include <QCheckBox>
#include "DesktopRecorder.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

#include <memory>

namespace {

const QString Failure = "Failed to load the page.<br>Please try again or contact Customer Support.";

} // namespace

class tst_Browser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void pageByType_data();
    void pageByType();
    void noneKeepsThePage();
    void progress_data();
    void progress();
    void failure_data();
    void failure();
    void stillImageWhileThePanelIsOpen();
    void firstGuideShown_data();
    void firstGuideShown();
    void links_data();
    void links();
    void languageChangeReloads();
    void guideButtons();
    void brandLogo();

private:
    QString url(const QString& path) const { return m_service->url() + path; }
    // Brand addresses "<service>/<item>/", each answered in English and German.
    void serveBrandPages();
    QString status() const { return m_browser->findChild<QLabel*>("lbBrowserStatus")->text(); }
    QWidget* currentPage() const { return m_browser->findChild<QStackedWidget*>("swBrowserPanel")->currentWidget(); }
    ScriptedBrowserImpl* engine() const { return ScriptedBrowserImpl::last(); }
    void switchTo(const QString& code);

    std::unique_ptr<StandInService> m_service;
    std::unique_ptr<Browser> m_browser;
    DesktopRecorder m_desktop;
};

void tst_Browser::initTestCase()
{
    m_service = std::make_unique<StandInService>();
    QVERIFY(m_service->isRunning());
    QVERIFY(QDir().mkpath(I18n::getTranslationsDir()));
    // Not UiTestKit::prepare(): language switches here log at critical level by design.
    initUiResources();
    UiFonts::installSubstitutes();
    ScriptedBrowserImpl::install();
    OzmApplication::windowTitleShort_ = "Ozmira";
}

void tst_Browser::init()
{
    serveBrandPages();
    m_browser = std::make_unique<Browser>();
    m_desktop.opened.clear();
}

void tst_Browser::cleanup()
{
    m_browser.reset();
    I18n::drop();
    QCOMPARE(m_service->violations(), QStringList());
    m_service->reset();
}

void tst_Browser::serveBrandPages()
{
    I18n::instance()->setBrandText([this](const QString& item) { return url("/" + item + "/"); });
    for (const char* item : {"help_url", "faq_url", "privacy_tips_url", "qsg_url", "qsg_popup_url"}) {
        m_service->reply(StandInReply("GET", QString("/%1/").arg(item)).body("page"));
        m_service->reply(StandInReply("GET", QString("/%1/de/").arg(item)).body("Seite"));
    }
}

void tst_Browser::switchTo(const QString& code)
{
    if (code != I18n::DefaultLocale) {
        const QByteArray catalogue = PackFixture::readFile(QStringLiteral(OZM_GERMAN_CATALOGUE));
        QVERIFY(PackFixture::packTree(I18n::getLangContainerPath(code), {{"translation.qm", catalogue}}));
    }
    I18n::instance()->setLanguage(code);
    QCOMPARE(I18n::instance()->getCurrentLocale(), code);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

void tst_Browser::pageByType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("buttons");

    QTest::newRow("help") << 0 << "en" << "/help_url/" << " - Online Help" << "buttonPanelCommon";
    QTest::newRow("faq") << 1 << "en" << "/faq_url/" << " - Frequently Asked Questions"
                         << "buttonPanelCommon";
    QTest::newRow("privacy tips") << 2 << "en" << "/privacy_tips_url/" << " - Privacy Tips"
                                  << "buttonPanelCommon";
    QTest::newRow("guide") << 3 << "en" << "/qsg_url/" << " - Quick Start Guide" << "buttonPanelQSG";
    QTest::newRow("guide pop-up") << 5 << "en" << "/qsg_popup_url/" << " - Quick Start Guide"
                                  << "buttonPanelQSG";
    QTest::newRow("help, German") << 0 << "de" << "/help_url/de/" << " - Online Help"
                                  << "buttonPanelCommon";
    QTest::newRow("guide pop-up, German") << 5 << "de" << "/qsg_popup_url/de/" << " - Quick Start Guide"
                                          << "buttonPanelQSG";
}

void tst_Browser::pageByType()
{
    QFETCH(int, type);
    QFETCH(QString, language);
    QFETCH(QString, path);
    QFETCH(QString, suffix);
    QFETCH(QString, buttons);
    switchTo(language);

    m_browser->display(OnlineContentTypes(type));
    QCOMPARE(engine()->loads, QStringList{url(path)});
    QCOMPARE(m_browser->windowTitle(), "Ozmira" + QCoreApplication::translate("Browser", qPrintable(suffix)));
    QCOMPARE(status(), QCoreApplication::translate("Browser", "Loading..."));
    QCOMPARE(currentPage()->objectName(), QString("statusPage"));
    QCOMPARE(m_browser->findChild<QStackedWidget*>("swButtonPanel")->currentWidget()->objectName(), buttons);
    QVERIFY(m_browser->findChild<QProgressBar*>("pbBrowserProgress")->isVisible());

    engine()->finish(true);
    QCOMPARE(currentPage()->objectName(), QString("browserPage"));
    QVERIFY(status().isEmpty());
    QVERIFY(!m_browser->findChild<QProgressBar*>("pbBrowserProgress")->isVisible());
}

void tst_Browser::noneKeepsThePage()
{
    m_browser->display(OnlineFaq);
    engine()->finish(true);
    const QString title = m_browser->windowTitle();

    m_browser->display(OnlineNone);
    QCOMPARE(engine()->loads.size(), 1);
    QCOMPARE(m_browser->windowTitle(), title);
    QCOMPARE(currentPage()->objectName(), QString("browserPage"));
}

void tst_Browser::progress_data()
{
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("percent");
    QTest::newRow("an estimate of 0.375") << 375 << 1000 << 37;
    QTest::newRow("done") << 100 << 100 << 100;
    QTest::newRow("nothing yet") << 0 << 100 << 0;
    QTest::newRow("no total") << 0 << 0 << 100;
    QTest::newRow("more than the total") << 7 << 5 << 100;
    QTest::newRow("negative") << -1 << 5 << 100;
    QTest::newRow("large counts") << 1500000000 << 2000000000 << 75;
}

void tst_Browser::progress()
{
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(int, percent);
    m_browser->display(OnlineHelp);
    QSignalSpy reported(m_browser->findChild<NativeBrowser*>("webView"), &NativeBrowser::loadProgress);

    engine()->progress(done, total);
    QCOMPARE(reported.count(), 1);
    QCOMPARE(reported.first().first().toInt(), percent);
    QCOMPARE(m_browser->findChild<QProgressBar*>("pbBrowserProgress")->value(), percent);
}

void tst_Browser::failure_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("loadFails");
    QTest::newRow("no address") << "" << false;
    QTest::newRow("the load fails") << "https" << true;
    QTest::newRow("plain http") << "http" << false;
    QTest::newRow("a local file") << "file:///etc/passwd" << false;
}

void tst_Browser::failure()
{
    QFETCH(QString, address);
    QFETCH(bool, loadFails);
    const QString page = address == "https" ? url("/help_url/")
                       : address == "http"  ? m_service->url(StandInService::Http) + "/help_url/"
                                            : address;
    I18n::instance()->setBrandText([&](const QString&) { return page; });
    if (address == "http")
        m_service->reply(StandInReply("GET", "/help_url/").body("page"));
    if (address == "http")
        QTest::ignoreMessage(QtWarningMsg, qPrintable("Browser: refused to load " + page));

    m_browser->display(OnlineHelp);
    if (loadFails) {
        QCOMPARE(engine()->loads, QStringList{page});
        engine()->finish(false);
    } else {
        QCOMPARE(engine()->loads, QStringList());
    }
    QCOMPARE(status(), Failure);
    QCOMPARE(currentPage()->objectName(), QString("statusPage"));
    QVERIFY(!m_browser->findChild<QProgressBar*>("pbBrowserProgress")->isVisible());
}

void tst_Browser::stillImageWhileThePanelIsOpen()
{
    m_browser->display(OnlineHelp);
    QApplication::setActiveWindow(m_browser.get());
    engine()->finish(true);
    auto* header = m_browser->findChild<QOZMHamburgerMenuWidget*>("wgtHmbrgrMenu");

    header->showMenu();
    QVERIFY(header->isMenuVisible());
    QCOMPARE(currentPage()->objectName(), QString("browserScreenPage"));
    const QImage still = m_browser->findChild<QLabel*>("webViewScreen")->pixmap(Qt::ReturnByValue).toImage();
    QCOMPARE(still, engine()->currentPixmap().toImage());

    // A page that finishes loading under the panel stays a still image.
    engine()->click(url("/help_url/more"));
    engine()->finish(true);
    QCOMPARE(currentPage()->objectName(), QString("browserScreenPage"));

    QTest::keyClick(m_browser.get(), Qt::Key_Escape);
    QVERIFY(!header->isMenuVisible());
    QCOMPARE(currentPage()->objectName(), QString("browserPage"));
}

void tst_Browser::firstGuideShown_data()
{
    QTest::addColumn<int>("type");
    // Where every brand page is; empty: each at its own, served address.
    QTest::addColumn<QString>("everyPage");
    QTest::addColumn<int>("emitted");
    QTest::newRow("pop-up") << 5 << "" << 1;
    QTest::newRow("pop-up whose page is not found") << 5 << "/missing/" << 1;
    QTest::newRow("guide") << 3 << "" << 0;
    QTest::newRow("guide at the pop-up's address") << 3 << "/qsg_popup_url/" << 1;
    QTest::newRow("help") << 0 << "" << 0;
    QTest::newRow("help, no page found anywhere") << 0 << "/missing/" << 0;
}

void tst_Browser::firstGuideShown()
{
    QFETCH(int, type);
    QFETCH(QString, everyPage);
    QFETCH(int, emitted);
    if (!everyPage.isEmpty())
        I18n::instance()->setBrandText([&](const QString&) { return url(everyPage); });
    QSignalSpy shown(m_browser.get(), &Browser::FirstGuidehown);

    m_browser->display(OnlineContentTypes(type));
    engine()->finish(true);
    m_browser->findChild<QPushButton*>(type == 0 ? "btnCloseBrowser" : "btnCloseBrowserQSG")->click();
    QVERIFY(!m_browser->isVisible());
    QCOMPARE(shown.count(), emitted);
}

void tst_Browser::links_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("loadedInPlace");
    QTest::addColumn<QString>("opened");

    QTest::newRow("same host") << "https://127.0.0.1:%1/faq_url/x" << "https://127.0.0.1:%1/faq_url/x" << "";
    QTest::newRow("same host, plain http") << "http://127.0.0.1/x" << "" << "http://127.0.0.1/x";
    QTest::newRow("another host") << "https://example.net/a?b=c" << "" << "https://example.net/a?b=c";
    QTest::newRow("another host, http") << "http://example.net/" << "" << "http://example.net/";
    QTest::newRow("script") << "javascript:alert(1)" << "" << "";
    QTest::newRow("a local file") << "file:///etc/passwd" << "" << "";
    QTest::newRow("mail") << "mailto:someone@example.net" << "" << "";
}

void tst_Browser::links()
{
    QFETCH(QString, link);
    QFETCH(QString, loadedInPlace);
    QFETCH(QString, opened);
    const QString port = QString::number(m_service->port());
    link.replace("%1", port);
    loadedInPlace.replace("%1", port);
    m_browser->display(OnlineFaq);
    engine()->finish(true);

    engine()->click(link);
    QCoreApplication::processEvents();
    QCOMPARE(engine()->loads.mid(1), loadedInPlace.isEmpty() ? QStringList() : QStringList{loadedInPlace});
    QCOMPARE(m_desktop.opened, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
    QCOMPARE(currentPage()->objectName(), QString("browserPage"));
}

void tst_Browser::languageChangeReloads()
{
    m_browser->display(OnlineFaq);
    engine()->finish(true);

    switchTo("de");
    QCOMPARE(engine()->loads, (QStringList{url("/faq_url/"), url("/faq_url/de/")}));
    QCOMPARE(status(), QCoreApplication::translate("Browser", "Loading..."));
    QCOMPARE(currentPage()->objectName(), QString("statusPage"));
    QVERIFY(m_browser->windowTitle().startsWith("Ozmira - "));
    QCOMPARE(m_browser->findChild<QPushButton*>("btnCloseBrowser")->text(), QCoreApplication::translate("Browser", "Close"));
}

void tst_Browser::guideButtons()
{
    QSignalSpy help(m_browser.get(), &Browser::helpActivated);
    m_browser->display(OnlineQuickStartGuide);
    m_browser->findChild<QPushButton*>("btnOpenHelp")->click();
    QCOMPARE(help.count(), 1);

    m_browser->findChild<QPushButton*>("btnPrintGuide")->click();
    QCOMPARE(m_desktop.opened, QList<QUrl>{QUrl(url("/qsg_url/"))});
    for (const char* name : {"btnOpenHelp", "btnPrintGuide", "btnCloseBrowserQSG"})
        QVERIFY2(m_browser->findChild<QPushButton*>(name)->width() >= 220, name);

    auto* tip = m_browser->findChild<QCheckBox*>("cbPrvcTipEnableBrowser");
    tip->setChecked(true);
    QVERIFY(ClientConfig::instanceClient()->isPrvcTipShownOnStartup());
    tip->setChecked(false);
    QVERIFY(!ClientConfig::instanceClient()->isPrvcTipShownOnStartup());
}

void tst_Browser::brandLogo()
{
    QImage logo(40, 20, QImage::Format_ARGB32);
    logo.fill(Qt::red);
    auto* label = m_browser->findChild<QLabel*>("lbLogoImage");
    const QSize builtIn = label->pixmap(Qt::ReturnByValue).size();
    QVERIFY(!builtIn.isEmpty());
    m_browser->applyBrandInfo();
    QCOMPARE(label->pixmap(Qt::ReturnByValue).size(), builtIn);

    QVERIFY(coBranding::inst()->logo->setImgData(logo, false));
    m_browser->applyBrandInfo();
    QCOMPARE(label->pixmap(Qt::ReturnByValue).toImage().convertToFormat(logo.format()), logo);
    coBranding::inst()->revertBrandItemToDefValue(coBranding::inst()->logo.data());
}

QTEST_MAIN(tst_Browser)
#include "tst_Browser.moc"
