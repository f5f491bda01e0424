#include "QOZMStackedWidget.h"

QOZMStackedWidget::QOZMStackedWidget(QWidget* parent)
    : QStackedWidget(parent)
    , m_sizer(this)
{
}

int QOZMStackedWidget::addWidget(QWidget* page)
{
    m_sizer.adopt(page);
    return QStackedWidget::addWidget(page);
}

void QOZMStackedWidget::setAdjustSizeToVisibleChild(bool adjust_size_to_visible)
{
    m_sizer.setOn(adjust_size_to_visible, pagesOf(*this));
}

bool QOZMStackedWidget::eventFilter(QObject* watched, QEvent* event)
{
    m_sizer.pageEvent(watched, event);
    return QStackedWidget::eventFilter(watched, event);
}
