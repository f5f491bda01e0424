#include "OZDialog.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>

namespace {

const char CannotHide[] = "Cannot close or hide popup window.";

QScreen* screenUnderCursor()
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    return screen ? screen : QGuiApplication::primaryScreen();
}

} // namespace

OZDialog::OZDialog(QWidget* parent)
    : QDialog(parent)
{
    moveToCenter();
    QCoreApplication::processEvents();
}

void OZDialog::moveToCenter()
{
    const QRect available = screenUnderCursor()->availableGeometry();
    const QRect frame = frameGeometry();
    move((available.left() + available.right()) / 2 - (frame.right() - frame.left()) / 2,
         (available.top() + available.bottom()) / 2 - (frame.bottom() - frame.top()) / 2);
}

void OZDialog::display()
{
    hideAllPopupWindows();
    raise();
    activateWindow();
    showNormal();
    if (!parentWidget())
        QApplication::setActiveWindow(this);
}

void OZDialog::hideAllPopupWindows()
{
    clearActiveWindows(&QApplication::activePopupWidget);
    clearActiveWindows(&QApplication::activeModalWidget);
    if (!parentWidget())
        closeOtherDialogs();
}

// A window that survives both close() and hide() is reported once and left
// alone; asking it again would never end.
void OZDialog::clearActiveWindows(QWidget* (*active)())
{
    for (QWidget* window = active(); window && window != this; window = active()) {
        window->close();
        if (active() == window)
            window->hide();
        if (active() == window) {
            qDebug("%s", CannotHide);
            return;
        }
    }
}

// Only the client's own dialogs make way: other top-level widgets, such as the
// window an XEmbed tray gives the tray icon, must stay where they are.
void OZDialog::closeOtherDialogs()
{
    QList<QPointer<QDialog>> dialogs;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog != this && dialog->isVisible())
            dialogs.append(dialog);
    for (const QPointer<QDialog>& dialog : dialogs) {
        if (!dialog || !dialog->isVisible())
            continue;
        dialog->close();
        if (QApplication::activeModalWidget() == dialog)
            dialog->hide();
        if (QApplication::activeModalWidget() == dialog)
            qDebug("%s", CannotHide);
    }
}

void OZDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void OZDialog::resizeEvent(QResizeEvent* event)
{
    if (parentWidget())
        return;
    QDialog::resizeEvent(event);
    const QRect frame = frameGeometry();
    const QRect available = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
    const int availableWidth = available.right() - available.left();
    if (availableWidth <= event->size().width() || availableWidth <= event->oldSize().width())
        return;
    int y = frame.bottom() > available.bottom() ? available.bottom() - frame.height() : frame.top();
    move(frame.left(), qMax(y, available.top()));
}

void OZDialog::showEvent(QShowEvent* event)
{
    if (!testAttribute(Qt::WA_Moved) && !m_rememberedPos.isNull())
        move(m_rememberedPos);
    QDialog::showEvent(event);
}

void OZDialog::hideEvent(QHideEvent* event)
{
    m_rememberedPos = pos();
    QWidget::hideEvent(event);
}

void OZDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !parentWidget() && isActiveWindow()
        && QApplication::activeWindow() != this)
        QApplication::setActiveWindow(this);
}
