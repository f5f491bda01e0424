#include "QOZMTrayMenu.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSystemTrayIcon>

QOZMTrayMenu::QOZMTrayMenu(QWidget* parent)
    : QMenu(parent)
{
}

void QOZMTrayMenu::setTrayIcon(QSystemTrayIcon* icon)
{
    m_trayIcon = icon;
}

QSystemTrayIcon* QOZMTrayMenu::trayIcon() const
{
    return m_trayIcon;
}

QRect QOZMTrayMenu::trayIconGeometry() const
{
    return m_trayIcon ? m_trayIcon->geometry() : QRect();
}

QPoint QOZMTrayMenu::popupPosition(const QRect& anchor, const QSize& menu, const QRect& available)
{
    int x = anchor.left();
    if (anchor.left() + menu.width() >= available.right())
        x = anchor.right() - menu.width();
    int y = anchor.bottom() + 1;
    if (y + menu.height() - 1 > available.bottom())
        y = anchor.top() - menu.height();
    x = qBound(available.left(), x, qMax(available.left(), available.right() - menu.width() + 1));
    y = qBound(available.top(), y, qMax(available.top(), available.bottom() - menu.height() + 1));
    return {x, y};
}

// StatusNotifier hosts do not tell where the icon is; the menu then opens at
// the cursor, which has just clicked the icon.
void QOZMTrayMenu::popupAtSystemTrayIcon()
{
    adjustSize();
    QRect anchor;
    if (!m_trayIcon)
        qCritical("QSystemTrayIcon does not set for QOZMTrayMenu");
    else
        anchor = trayIconGeometry();
    if (anchor.isEmpty())
        anchor = QRect(QCursor::pos(), QSize(0, 0));
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    move(popupPosition(anchor, size(), screen->availableGeometry()));
    raise();
    show();
    activateWindow();
}

void QOZMTrayMenu::insertActionIfEnabled(QAction* before, QAction* action)
{
    if (action->isEnabled())
        insertAction(before, action);
}

void QOZMTrayMenu::hookMouse()
{
    if (m_hooked)
        return;
    qApp->installEventFilter(this);
    m_hooked = true;
}

void QOZMTrayMenu::unHookMouse()
{
    if (!m_hooked)
        return;
    qApp->removeEventFilter(this);
    m_hooked = false;
}

void QOZMTrayMenu::closeIfClickOut(const QPoint& globalPos)
{
    if (geometry().contains(globalPos) || trayIconGeometry().contains(globalPos))
        return;
    hide();
}

bool QOZMTrayMenu::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        m_mouseMoves = 0;
        m_pressSwallowed = false;
        hookMouse();
        emit showed();
        break;
    case QEvent::MouseMove:
        ++m_mouseMoves;
        break;
    case QEvent::MouseButtonPress:
        if (m_mouseMoves < 2) {
            m_pressSwallowed = true;
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        // Qt chooses an item on release, so the release of an ignored press goes too.
        if (m_pressSwallowed) {
            m_pressSwallowed = false;
            return true;
        }
        break;
    case QEvent::Hide:
        unHookMouse();
        emit hidden();
        break;
    default:
        break;
    }
    return QMenu::event(event);
}

// Presses in the client's other windows, while the menu is open.
bool QOZMTrayMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() != this) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton || press->button() == Qt::RightButton)
            closeIfClickOut(press->globalPos());
    }
    return QMenu::eventFilter(watched, event);
}
