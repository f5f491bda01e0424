#pragma once

#include "TestResultsContainer.h"
#include "ui_ConnectivityTestReportDlg.h"

#include <OZDialog.h>
#include <VpnServer.h>

#include <memory>

class EnablingWiFiDlg;
class QLabel;

// The outcome of one connectivity run, docked into the Help window's test tab:
// a row for each general test, the tested server, the Wi-Fi adapter with a
// button that switches it on, and one piece of advice chosen from the results.
class ConnectivityTestReportDlg : public OZDialog
{
    Q_OBJECT

public:
    static const QString PassColour;
    static const QString FailColour;

    explicit ConnectivityTestReportDlg(QWidget* parent = nullptr);
    ~ConnectivityTestReportDlg() override;

    void setResults(SharedTestResults results, const VpnServer& server);
    void updateLabels();
    void noInternet();
    void noDNS();
    void allIsOk();

signals:
    void sendReport(SharedTestResults results);
    void activateWireless();
    void purgeMainHelpTabLayout();

public slots:
    void display() override;
    void on_wifiEnablingButton_clicked();
    void on_sendReportButton_clicked();
    void on_cancelButton_clicked();

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void updateWifiBlock();
    void setRow(QLabel* label, bool passed);
    void setAdvice(const QString& text, Qt::Alignment alignment);

    Ui::ConnectivityTestReportDlg ui;
    QString serverText;
    // Shared with the run that produced them, so a refresh after the next run
    // has started still reads whole results.
    SharedTestResults results;
    // Kept for the dialog's life; nothing shows it.
    std::unique_ptr<EnablingWiFiDlg> wifiNotice;
};
