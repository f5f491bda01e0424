#pragma once

#include <QWidget>

class NativeBrowserImpl;

// A web view inside a window, whatever engine draws it.
class NativeBrowser : public QWidget
{
    Q_OBJECT
public:
    explicit NativeBrowser(QWidget* parent = nullptr);

    QString url() const;
    // A still image of the page, for showing while something covers the view.
    QPixmap currentPixmap();
    QSize sizeHint() const override;

signals:
    void loadStarted();
    void loadProgress(int progress);
    void loadFinished(bool ok);
    // A link the view will not follow itself.
    void externalNavigate(QString url);

public slots:
    void load(QString url);
    void loadBlank();

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    NativeBrowserImpl* m_impl;
};
