#pragma once

#include "ui_WelcomeWidget.h"

#include <QWidget>

// The green greeting above the main window's screens, with its link to the
// quick start guide.
class WelcomeWidget : public QWidget
{
    Q_OBJECT
public:
    explicit WelcomeWidget(QWidget* parent = nullptr);
    void updateUI() {}

signals:
    void quickStartActivated();

public slots:
    void on_lbWelcomeSeeGuide_linkActivated(QString link);

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Ui::WelcomeWidget m_ui;
};
