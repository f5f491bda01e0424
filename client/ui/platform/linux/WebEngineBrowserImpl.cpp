#include "WebEngineBrowserImpl.h"

#include "GuardedWebPage.h"
#include "NativeBrowser.h"

#include <QCoreApplication>
#include <QImage>
#include <QWebEngineDownloadItem>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

bool isBlank(const QImage& image)
{
    if (image.isNull())
        return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

} // namespace

void WebEngineBrowserImpl::prepareApplication()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

void WebEngineBrowserImpl::install()
{
    NativeBrowserImpl::setFactory([](NativeBrowser* owner) { return new WebEngineBrowserImpl(owner); });
}

WebEngineBrowserImpl::WebEngineBrowserImpl(QWidget* owner)
    : m_profile(new QWebEngineProfile(this)), m_view(new QWebEngineView(owner))
{
    QWebEngineSettings* settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this, [](QWebEngineDownloadItem* download) {
        qWarning().noquote() << "Browser: cancelled the download of" << download->url().toString();
        download->cancel();
    });

    auto* page = new GuardedWebPage(m_profile, this, m_view);
    m_view->setPage(page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    connect(page, &QWebEnginePage::loadStarted, this, &WebEngineBrowserImpl::onLoadStart);
    connect(page, &QWebEnginePage::loadProgress, this, [this](int percent) { onProgress(percent, 100); });
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        if (ok)
            setCurrentHost(m_view->url());
        onLoadFinish(ok);
    });
}

WebEngineBrowserImpl::~WebEngineBrowserImpl()
{
    // The page must go before the profile it runs on.
    delete m_view;
}

void WebEngineBrowserImpl::load(const QString& url)
{
    const QUrl address(url);
    setCurrentHost(address);
    m_view->load(address);
}

QString WebEngineBrowserImpl::url() const
{
    return m_view->url().toString();
}

void WebEngineBrowserImpl::stop()
{
    m_view->stop();
}

void WebEngineBrowserImpl::resize(const QSize& size)
{
    m_view->setGeometry(QRect(QPoint(0, 0), size));
}

QSize WebEngineBrowserImpl::sizeHint() const
{
    return m_view->sizeHint();
}

void WebEngineBrowserImpl::show()
{
    m_view->show();
}

void WebEngineBrowserImpl::hide()
{
    m_view->hide();
}

QPixmap WebEngineBrowserImpl::currentPixmap()
{
    QPixmap pixmap = m_view->grab();
    // Drawn by GL, the page may be missing from a grab of the view itself.
    if (isBlank(pixmap.toImage()) && m_view->focusProxy())
        pixmap = m_view->focusProxy()->grab();
    return pixmap;
}
