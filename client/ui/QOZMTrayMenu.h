#pragma once

#include <QMenu>
#include <QPointer>

class QSystemTrayIcon;

// The tray icon's menu, popped up by the client itself right under the icon.
// A press that arrives before the pointer has moved twice over the open menu
// is ignored, so the click that opened it cannot choose an item. The menu is
// a popup: it holds the pointer and closes on a click outside; hookMouse()
// additionally lets presses in the client's other windows close it.
class QOZMTrayMenu : public QMenu
{
    Q_OBJECT
public:
    explicit QOZMTrayMenu(QWidget* parent = nullptr);

    void setTrayIcon(QSystemTrayIcon* icon);
    QSystemTrayIcon* trayIcon() const;

    void popupAtSystemTrayIcon();
    void insertActionIfEnabled(QAction* before, QAction* action);
    void hookMouse();
    void unHookMouse();
    void closeIfClickOut(const QPoint& globalPos);

    // Top-left corner of a menu of the size under the anchor (the icon, or an
    // empty rectangle at the cursor): left-aligned with it, right-aligned where
    // that would reach the right edge, above it where there is no room below,
    // and never outside the available area.
    static QPoint popupPosition(const QRect& anchor, const QSize& menu, const QRect& available);

signals:
    void showed();
    void hidden();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The icon's place on screen; empty where the tray host does not tell it.
    virtual QRect trayIconGeometry() const;

private:
    QPointer<QSystemTrayIcon> m_trayIcon;
    bool m_hooked = false;
    int m_mouseMoves = 0;
    bool m_pressSwallowed = false;
};
