#pragma once

#include "NativeBrowserImpl.h"

#include <QPointer>

class QWebEngineProfile;
class QWebEngineView;

// NativeBrowser drawn by Qt WebEngine: a view filling the owning widget, on an
// off-the-record profile of its own that grants pages nothing (no permissions,
// downloads, windows, clipboard, plugins or doubtful certificates).
class WebEngineBrowserImpl : public NativeBrowserImpl
{
    Q_OBJECT
public:
    // Before the application object: the engine shares the GL contexts.
    static void prepareApplication();
    // Makes this the engine of every NativeBrowser from now on.
    static void install();

    explicit WebEngineBrowserImpl(QWidget* owner);
    ~WebEngineBrowserImpl() override;

    void load(const QString& url) override;
    QString url() const override;
    void stop() override;
    void resize(const QSize& size) override;
    QSize sizeHint() const override;
    void show() override;
    void hide() override;
    QPixmap currentPixmap() override;

private:
    QWebEngineProfile* m_profile;
    QPointer<QWebEngineView> m_view;
};
