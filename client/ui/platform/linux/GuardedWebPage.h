#pragma once

#include <QWebEnginePage>

class NativeBrowserImpl;

// The page of the embedded browser: every navigation is put to the browser's
// verdict, permissions are denied and certificate errors refused.
class GuardedWebPage : public QWebEnginePage
{
    Q_OBJECT
public:
    GuardedWebPage(QWebEngineProfile* profile, NativeBrowserImpl* browser, QObject* parent);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    bool certificateError(const QWebEngineCertificateError& error) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    void denyFeature(const QUrl& origin, Feature feature);

    NativeBrowserImpl* m_browser;
};
