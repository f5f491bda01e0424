#include "HideOnReleaseFilter.h"

#include <QEvent>

HideOnReleaseFilter::HideOnReleaseFilter(QWidget* toHide, QObject* parent)
    : QObject(parent)
    , m_toHide(toHide)
{
}

bool HideOnReleaseFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && m_toHide)
        m_toHide->hide();
    return QObject::eventFilter(watched, event);
}
