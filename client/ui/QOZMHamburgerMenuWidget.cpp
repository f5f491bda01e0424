#include "QOZMHamburgerMenuWidget.h"

#include <QPainter>
#include <QStyleOption>

QOZMHamburgerMenuWidget::QOZMHamburgerMenuWidget(QWidget* parent)
    : QWidget(parent)
{
    m_ui.setupUi(this);
    retranslate();
    connect(m_ui.lbHmbrgrMenu, &QOZMHmbrgrMenuLbl::aboutToShow, this, &QOZMHamburgerMenuWidget::aboutToShow);
    connect(m_ui.lbHmbrgrMenu, &QOZMHmbrgrMenuLbl::aboutToHide, this, &QOZMHamburgerMenuWidget::aboutToHide);
    m_ui.lbHmbrgrMenuText->installEventFilter(this);
}

bool QOZMHamburgerMenuWidget::isMenuVisible() const
{
    return m_ui.lbHmbrgrMenu->isMenuVisible();
}

void QOZMHamburgerMenuWidget::showMenu()
{
    m_ui.lbHmbrgrMenu->showMenu();
}

bool QOZMHamburgerMenuWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui.lbHmbrgrMenuText && event->type() == QEvent::MouseButtonPress)
        showMenu();
    return QWidget::eventFilter(watched, event);
}

// Through the style, so that the window's style sheet can paint the header.
void QOZMHamburgerMenuWidget::paintEvent(QPaintEvent*)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void QOZMHamburgerMenuWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

// Shared with the panel's close button, so it lives in the panel's context.
void QOZMHamburgerMenuWidget::retranslate()
{
    m_ui.lbHmbrgrMenuText->setText(QCoreApplication::translate("QOZMHamburgerMenu", "MENU"));
}
