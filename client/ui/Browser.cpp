#include "Browser.h"

#include "ClientConfig.h"
#include "ExternalUrl.h"
#include "I18n.h"
#include "OzmApplication.h"
#include "coBranding.h"

#include <QUrl>

namespace {

const char* const FailureText = QT_TRANSLATE_NOOP("Browser",
                                                  "Failed to load the page.<br>Please try again or contact Customer Support.");

QString addressFor(OnlineContentTypes type)
{
    I18n* i18n = I18n::instance();
    switch (type) {
    case OnlineHelp:
        return i18n->getHelpUrl();
    case OnlineFaq:
        return i18n->getFaqUrl();
    case OnlinePrivacyTips:
        return i18n->getPrivacyTipsUrl();
    case OnlineQuickStartGuide:
        return i18n->getQsgUrl();
    case OnlineQuickStartGuidePopUp:
        return i18n->getQsgPopUpUrl();
    default:
        return QString();
    }
}

// The brand data picks the address and the service can replace the brand data:
// only an https page is worth showing inside the client.
bool isShownPage(const QString& address)
{
    const QUrl url(address);
    return url.scheme() == QLatin1String("https") && !url.host().isEmpty();
}

bool isQuickStartGuide(OnlineContentTypes type)
{
    return type == OnlineQuickStartGuide || type == OnlineQuickStartGuidePopUp;
}

} // namespace

Browser::Browser(QWidget* parent) : OZDialog(parent)
{
    m_ui.setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    updateUi();
    m_ui.lbBrowserStatus->setText(tr("Waiting for an URL..."));
    m_ui.pbBrowserProgress->hide();
    m_ui.cbPrvcTipEnableBrowser->hide();
    m_ui.swBrowserPanel->setCurrentIndex(0);
    m_ui.swButtonPanel->setCurrentIndex(0);
    connect(m_ui.btnOpenHelp, &QPushButton::clicked, this, &Browser::helpActivated);
    connect(m_ui.webView, &NativeBrowser::externalNavigate, this, &Browser::onWebViewExternalNavigate);
    connect(m_ui.webView, &NativeBrowser::loadFinished, this, &Browser::onWebViewLoadFinished);
    connect(m_ui.webView, &NativeBrowser::loadProgress, m_ui.pbBrowserProgress, &QProgressBar::setValue);
    connect(m_ui.wgtHmbrgrMenu, &QOZMHamburgerMenuWidget::aboutToShow, this, &Browser::showBrowserScreenShoot);
    connect(m_ui.wgtHmbrgrMenu, &QOZMHamburgerMenuWidget::aboutToHide, this, &Browser::showBrowser);
    connect(this, &QDialog::finished, this, &Browser::onFinished);
    m_defaultSize = size();
}

void Browser::display(OnlineContentTypes contentType)
{
    navigateToUrlByType(contentType);
    if (!isMaximized()) {
        resize(m_defaultSize);
        moveToCenter();
    }
    updateUi();
    OZDialog::display();
}

void Browser::display()
{
    OZDialog::display();
}

void Browser::navigateToUrlByType(OnlineContentTypes type)
{
    if (type == OnlineNone)
        return;
    m_currentUrl = addressFor(type);
    m_contentType = type;
    m_ui.swBrowserPanel->setCurrentWidget(m_ui.statusPage);
    if (isShownPage(m_currentUrl)) {
        onWebViewLoadStarted();
        m_ui.webView->load(m_currentUrl);
    } else {
        if (!m_currentUrl.isEmpty())
            qWarning().noquote() << "Browser: refused to load" << m_currentUrl;
        showFailure();
    }
    m_ui.cbPrvcTipEnableBrowser->hide();
    m_ui.buttonPanelLayout->setContentsMargins(10, 20, 20, 20);
}

void Browser::updateUi()
{
    switch (m_contentType) {
    case OnlineHelp:
        m_titleSuffix = tr(" - Online Help");
        break;
    case OnlineFaq:
        m_titleSuffix = tr(" - Frequently Asked Questions");
        break;
    case OnlinePrivacyTips:
        m_titleSuffix = tr(" - Privacy Tips");
        break;
    case OnlineQuickStartGuide:
    case OnlineQuickStartGuidePopUp:
        m_titleSuffix = tr(" - Quick Start Guide");
        break;
    default:
        m_titleSuffix = tr(" - Browser");
    }
    m_ui.swButtonPanel->setCurrentIndex(isQuickStartGuide(m_contentType) ? 1 : 0);
    setWindowTitle(OzmApplication::windowTitleShort_ + m_titleSuffix);
}

void Browser::showFailure()
{
    m_ui.lbBrowserStatus->setText(tr(FailureText));
}

void Browser::onWebViewLoadStarted()
{
    m_ui.lbBrowserStatus->setText(tr("Loading..."));
    m_ui.pbBrowserProgress->setValue(0);
    m_ui.pbBrowserProgress->show();
}

void Browser::onWebViewLoadFinished(bool ok)
{
    m_ui.pbBrowserProgress->hide();
    if (ok) {
        m_ui.lbBrowserStatus->clear();
        showBrowser();
    } else {
        showFailure();
    }
}

void Browser::onWebViewExternalNavigate(QString url)
{
    if (url.isEmpty())
        return;
    const QUrl target = QUrl::fromUserInput(url);
    const bool sameHost = target.host(QUrl::FullyDecoded) == QUrl(m_currentUrl).host(QUrl::FullyDecoded);
    if (sameHost && isShownPage(target.toString()))
        m_ui.webView->load(target.toString());
    else
        ozm::openExternalUrl(target);
}

void Browser::showBrowser()
{
    m_ui.swBrowserPanel->setCurrentWidget(m_ui.browserPage);
    if (m_ui.wgtHmbrgrMenu->isMenuVisible()) {
        m_ui.webViewScreen->setPixmap(m_ui.webView->currentPixmap());
        m_ui.swBrowserPanel->setCurrentWidget(m_ui.browserScreenPage);
    }
}

void Browser::showBrowserScreenShoot()
{
    m_ui.webViewScreen->setPixmap(m_ui.webView->currentPixmap());
    if (m_ui.swBrowserPanel->currentWidget() == m_ui.browserPage)
        m_ui.swBrowserPanel->setCurrentWidget(m_ui.browserScreenPage);
}

void Browser::on_btnPrintGuide_clicked()
{
    if (!m_currentUrl.isEmpty())
        ozm::openExternalUrl(QUrl(m_currentUrl));
}

void Browser::on_cbPrvcTipEnableBrowser_stateChanged(int state)
{
    ClientConfig::instanceClient()->setPrvcTipShownOnStartup(state != 0);
}

// The pop-up counts as seen also when its page could not be found: the first
// start's automatic activation waits for it to close.
void Browser::onFinished()
{
    if (m_contentType == OnlineQuickStartGuidePopUp ||
        (!m_currentUrl.isEmpty() && m_currentUrl == I18n::instance()->getQsgPopUpUrl()))
        emit FirstGuidehown();
}

void Browser::applyBrandInfo()
{
    const QImage logo = coBranding::inst()->logo->getImgData();
    if (!logo.isNull())
        m_ui.lbLogoImage->setPixmap(QPixmap::fromImage(logo));
}

void Browser::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        if (m_contentType == OnlineNone)
            m_ui.lbBrowserStatus->setText(tr("Waiting for an URL..."));
        navigateToUrlByType(m_contentType);
        updateUi();
    }
    OZDialog::changeEvent(event);
}
