#pragma once

#include "OZDialog.h"
#include "OnlineContentTypes.h"
#include "ui_Browser.h"

#include <QSize>

// The operator's online pages (help, questions, privacy tips, the guide) in a
// window of the client's own, with a status page while loading and after a
// failure. Built once and kept; every display(type) loads afresh.
class Browser : public OZDialog
{
    Q_OBJECT
public:
    explicit Browser(QWidget* parent = nullptr);

signals:
    void helpActivated();
    void FirstGuidehown();

public slots:
    void applyBrandInfo();
    void display(OnlineContentTypes contentType);
    void display() override;
    void onFinished();
    void on_cbPrvcTipEnableBrowser_stateChanged(int state);
    void on_btnPrintGuide_clicked();
    void onWebViewLoadStarted();
    void onWebViewLoadFinished(bool ok);
    void onWebViewExternalNavigate(QString url);
    void showBrowser();
    void showBrowserScreenShoot();

protected:
    void changeEvent(QEvent* event) override;

private:
    void navigateToUrlByType(OnlineContentTypes type);
    void updateUi();
    void showFailure();

    Ui::Browser m_ui;
    OnlineContentTypes m_contentType = OnlineNone;
    QString m_currentUrl;
    QString m_titleSuffix;
    QSize m_defaultSize;
};
