#pragma once

#include "ui_CustomerSupportPage.h"

#include <QWidget>

// The Customer Support tab: the support hours and the brand's support address.
class CustomerSupportPage : public QWidget
{
    Q_OBJECT
public:
    explicit CustomerSupportPage(QWidget* parent = nullptr);

public slots:
    void on_btnSupportEmail_clicked();

protected:
    void changeEvent(QEvent* event) override;
    // The brand can change while the window is hidden.
    void showEvent(QShowEvent* event) override;

private:
    void updateUi();

    Ui::CustomerSupportPage m_ui;
};
