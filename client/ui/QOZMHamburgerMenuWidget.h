#pragma once

#include "ui_QOZMHamburgerMenuWidget.h"

#include <QWidget>

// The header of a window: "MENU" and the menu icon; a press on either opens
// the window's panel.
class QOZMHamburgerMenuWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QOZMHamburgerMenuWidget(QWidget* parent = nullptr);

    bool isMenuVisible() const;
    QOZMHmbrgrMenuLbl* menuLabel() const { return m_ui.lbHmbrgrMenu; }

signals:
    void aboutToShow();
    void aboutToHide();

public slots:
    void showMenu();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void retranslate();

    Ui::QOZMHamburgerMenuWidget m_ui;
};
