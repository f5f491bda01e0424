#pragma once

#include <QWebEnginePage>

class NativeBrowserImpl;

// Stands in for the window a page asked for: the engine tells the address
// only by navigating here, so the first navigation goes to the browser as an
// external one and the page goes away without loading anything.
class NewWindowCatcher : public QWebEnginePage
{
    Q_OBJECT
public:
    NewWindowCatcher(QWebEngineProfile* profile, NativeBrowserImpl* browser, QObject* parent);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    NativeBrowserImpl* m_browser;
};
