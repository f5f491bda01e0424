#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QSize>
#include <QString>

#include <functional>

class NativeBrowser;
class QUrl;

// The web engine behind NativeBrowser. An implementation reports the main
// frame's start, progress and end through the notifications below and asks
// navigationVerdict() about every navigation before it happens.
class NativeBrowserImpl : public QObject
{
    Q_OBJECT
public:
    enum class Verdict { Use, External, Refuse };

    using Factory = std::function<NativeBrowserImpl*(NativeBrowser* owner)>;
    // The engine the process runs with; installed once before the first browser.
    static void setFactory(Factory factory);
    static NativeBrowserImpl* createNewInstance(NativeBrowser* owner);

    virtual void load(const QString& url) = 0;
    virtual QString url() const = 0;
    virtual void stop() = 0;
    virtual void resize(const QSize& size) = 0;
    virtual QSize sizeHint() const = 0;
    virtual void show() {}
    virtual void hide() {}
    virtual QPixmap currentPixmap() = 0;

    void onProgress(int done, int total);
    void onLoadStart();
    void onLoadFinish(bool ok);
    void queuedNavigate(const QString& url);

    // What may happen to a main-frame navigation. The view stays on https pages
    // of the host it last loaded: a clicked link elsewhere goes to the system's
    // browser, anything that is neither https nor the blank page is refused.
    Verdict navigationVerdict(const QUrl& url, bool linkClicked) const;
    // The host links may stay on; the engine sets it when a load starts and
    // when a page has loaded (after redirects).
    void setCurrentHost(const QUrl& url);

public slots:
    void onExternalNavigate(const QString& external_url);

private:
    QPointer<NativeBrowser> m_owner;
    QString m_currentHost;
};
