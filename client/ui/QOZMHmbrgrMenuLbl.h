#pragma once

#include <QLabel>
#include <QPointer>

#include "QOZMHamburgerMenu.h"

// The menu icon of a window's header. It owns the window's panel (a child of
// the window, held weakly), opens it on a press and keeps it covering the
// window exactly; Escape or hiding the window closes it.
class QOZMHmbrgrMenuLbl : public QLabel
{
    Q_OBJECT
public:
    explicit QOZMHmbrgrMenuLbl(QWidget* parent = nullptr);

    bool isMenuVisible() const;
    QOZMHamburgerMenu* menu() const { return m_menu; }

signals:
    void aboutToShow();
    void aboutToHide();

public slots:
    void showMenu();
    void adjustMenuPos(const QSize& parentSize);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    QPointer<QOZMHamburgerMenu> m_menu;
};
