#include "GuardedWebPage.h"

#include "NativeBrowserImpl.h"
#include "NewWindowCatcher.h"

#include <QDebug>
#include <QWebEngineCertificateError>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineQuotaRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>

GuardedWebPage::GuardedWebPage(QWebEngineProfile* profile, NativeBrowserImpl* browser, QObject* parent)
    : QWebEnginePage(profile, parent), m_browser(browser)
{
    connect(this, &QWebEnginePage::featurePermissionRequested, this, &GuardedWebPage::denyFeature);
    connect(this, &QWebEnginePage::quotaRequested, this, [](QWebEngineQuotaRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
}

void GuardedWebPage::denyFeature(const QUrl& origin, Feature feature)
{
    qWarning().noquote() << "Browser: denied" << feature << "to" << origin.toString();
    setFeaturePermission(origin, feature, PermissionDeniedByUser);
}

bool GuardedWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    const bool clicked = isMainFrame && type == NavigationTypeLinkClicked;
    switch (m_browser->navigationVerdict(url, clicked)) {
    case NativeBrowserImpl::Verdict::Use:
        return true;
    case NativeBrowserImpl::Verdict::External:
        QMetaObject::invokeMethod(m_browser, "onExternalNavigate", Qt::QueuedConnection,
                                  Q_ARG(QString, url.toString()));
        return false;
    case NativeBrowserImpl::Verdict::Refuse:
        break;
    }
    qWarning().noquote() << "Browser: refused to navigate to" << url.toString();
    return false;
}

bool GuardedWebPage::certificateError(const QWebEngineCertificateError& error)
{
    qWarning().noquote() << "Browser: refused" << error.url().toString() << "-" << error.errorDescription();
    return false;
}

QWebEnginePage* GuardedWebPage::createWindow(WebWindowType)
{
    return new NewWindowCatcher(profile(), m_browser, parent());
}
