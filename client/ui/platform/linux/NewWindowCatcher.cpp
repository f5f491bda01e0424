#include "NewWindowCatcher.h"

#include "NativeBrowserImpl.h"

NewWindowCatcher::NewWindowCatcher(QWebEngineProfile* profile, NativeBrowserImpl* browser, QObject* parent)
    : QWebEnginePage(profile, parent), m_browser(browser)
{
}

bool NewWindowCatcher::acceptNavigationRequest(const QUrl& url, NavigationType, bool)
{
    QMetaObject::invokeMethod(m_browser, "onExternalNavigate", Qt::QueuedConnection, Q_ARG(QString, url.toString()));
    deleteLater();
    return false;
}
