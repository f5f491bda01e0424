#pragma once

#include "ui_FeedbackPage.h"

#include <QWidget>

// The Feedback tab: the brand's feedback address.
class FeedbackPage : public QWidget
{
    Q_OBJECT
public:
    explicit FeedbackPage(QWidget* parent = nullptr);

public slots:
    void on_btnFeedbacLink_clicked();

protected:
    void changeEvent(QEvent* event) override;
    // The brand can change while the window is hidden.
    void showEvent(QShowEvent* event) override;

private:
    void updateUi();

    Ui::FeedbackPage m_ui;
};
