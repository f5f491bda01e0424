#pragma once

#include "ui_PrivacyTipPanel.h"

#include <QWidget>

// A titled privacy tip with links, a close button and the choice whether tips
// show at start-up. It keeps its own record of being hidden, apart from the
// widget's visibility, which the main window changes on its page switches.
class PrivacyTipPanel : public QWidget
{
    Q_OBJECT
public:
    explicit PrivacyTipPanel(QWidget* parent = nullptr);
    bool isHidden() const { return m_hidden; }

signals:
    void privacyTipsClosed();

public slots:
    void setHidden(bool hidden);
    void hide();
    void show();
    void setPrivacyTipOfTheDay(const QString& tipTitle, const QString& tipText);
    void setRandomPrivacyTip() {}
    void on_cbPrivacyTipEnable_stateChanged(int state);
    void on_btnPrivacyTipClose_clicked();
    void on_btnNextTip_clicked() {}
    void on_btnPrevTip_clicked() {}

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Ui::PrivacyTipPanel m_ui;
    bool m_hidden;
};
