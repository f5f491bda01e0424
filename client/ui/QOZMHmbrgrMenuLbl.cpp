#include "QOZMHmbrgrMenuLbl.h"

#include "QOZMHamburgerMenu.h"

#include <QKeyEvent>
#include <QResizeEvent>

QOZMHmbrgrMenuLbl::QOZMHmbrgrMenuLbl(QWidget* parent)
    : QLabel(parent)
{
    m_window = this;
    while (m_window->parentWidget())
        m_window = m_window->parentWidget();
    m_menu = new QOZMHamburgerMenu(m_window);
    connect(m_menu, &QOZMHamburgerMenu::aboutToShow, this, &QOZMHmbrgrMenuLbl::aboutToShow);
    connect(m_menu, &QOZMHamburgerMenu::aboutToHide, this, &QOZMHmbrgrMenuLbl::aboutToHide);
    m_menu->hide();
    adjustMenuPos(m_window->size());
    m_window->installEventFilter(this);
}

bool QOZMHmbrgrMenuLbl::isMenuVisible() const
{
    return m_menu && m_menu->isVisible();
}

void QOZMHmbrgrMenuLbl::showMenu()
{
    if (!m_menu || !m_window)
        return;
    m_menu->show();
    adjustMenuPos(m_window->size());
}

void QOZMHmbrgrMenuLbl::adjustMenuPos(const QSize& parentSize)
{
    if (!m_menu)
        return;
    m_menu->move(0, 0);
    m_menu->resize(parentSize);
    if (!m_menu->isHidden()) {
        m_menu->setDefaultFocus();
        m_menu->raise();
    }
}

void QOZMHmbrgrMenuLbl::mousePressEvent(QMouseEvent* event)
{
    showMenu();
    QLabel::mousePressEvent(event);
}

bool QOZMHmbrgrMenuLbl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return QLabel::eventFilter(watched, event);
    if (!m_menu) {
        watched->removeEventFilter(this);
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_menu->hide();
        break;
    case QEvent::Hide:
        m_menu->hide();
        break;
    case QEvent::Resize:
        adjustMenuPos(static_cast<QResizeEvent*>(event)->size());
        break;
    default:
        break;
    }
    return false;
}
