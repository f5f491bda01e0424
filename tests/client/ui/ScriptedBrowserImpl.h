#pragma once

#include "NativeBrowserImpl.h"

#include <QStringList>

// A web engine a test plays: it records what it was asked to load and reports
// start, progress, end and clicked links when the test says so.
class ScriptedBrowserImpl : public NativeBrowserImpl
{
    Q_OBJECT
public:
    // Makes every NativeBrowser from now on a scripted one; the newest is last().
    static void install();
    static ScriptedBrowserImpl* last();

    ScriptedBrowserImpl();
    ~ScriptedBrowserImpl() override;

    void load(const QString& url) override;
    QString url() const override { return m_url; }
    void stop() override {}
    void resize(const QSize& size) override { m_size = size; }
    QSize sizeHint() const override { return {640, 480}; }
    QPixmap currentPixmap() override;

    // Every address load() was given, in order.
    QStringList loads;

    void start() { onLoadStart(); }
    void progress(int done, int total) { onProgress(done, total); }
    // Ends the load; a successful one makes its host the current one.
    void finish(bool ok);
    // A click on a link of the page, decided as an engine does.
    void click(const QString& url);

private:
    QString m_url;
    QSize m_size;
};
