#pragma once

#include "OZDialog.h"
#include "OnlineContentTypes.h"
#include "ui_MainHelp.h"

#include <QSharedPointer>

class ClientAuthData;

// The help window: online pages, customer support, the connectivity test and
// feedback. It only asks; the browser, the shell and the connectivity test act.
// The test docks its dialogs into the Connectivity Test tab through hMainHelp.
class MainHelp : public OZDialog
{
    Q_OBJECT
public:
    explicit MainHelp(QWidget* parent = nullptr);

    void init(QSharedPointer<ClientAuthData>& authData);

signals:
    void connectivityTestActivated();
    void quickStartActivated();
    void cancelConnectivityTest();
    void cancelGeneratingReport();
    void browse(OnlineContentTypes contentType);

public slots:
    void display() override;
    void displayAndRunConnectivityTest();
    void purgeMainHelpTabLayout();
    void applyBrandInfo();

    void on_helpButton_clicked();
    void on_faqButton_clicked();
    void on_btnPrivacyTipsOpen_clicked();
    void on_quickStartButton_clicked();
    void on_testBtn_clicked();
    void on_cancelBtn_clicked();
    void on_tabWidget_currentChanged(int index);
    void on_connectTestWidget_currentChanged(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateUi();
    // Lets the window take the size of the page now shown, not of the largest.
    void fitToPage(QWidget* previous, QWidget* current);

    Ui::MainHelp m_ui;
    QSharedPointer<ClientAuthData> m_authData;
    int m_lastTabIndex = 0;
    int m_lastTestPageIndex = 0;
};
