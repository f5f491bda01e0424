#pragma once

#include "ui_EnablingWiFiDlg.h"

#include <OZDialog.h>

class QTimer;

// A small frameless notice that the Wi-Fi adapter is being switched on: dots
// run while it waits, then the outcome stands for two seconds.
class EnablingWiFiDlg : public OZDialog
{
    Q_OBJECT

public:
    explicit EnablingWiFiDlg(QWidget* parent = nullptr);

    static constexpr int TickMs = 700;
    static constexpr int CloseDelayMs = 2000;

public slots:
    void display() override;
    void updateLabel();
    void enabled(bool ok);

private:
    // Shared by every notice, so a second one goes on where the last stopped.
    static qint32 dots;

    Ui::EnablingWiFiDlg ui;
    QTimer* timer;
};
