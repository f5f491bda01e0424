#include "QOZMTabWidget.h"

QOZMTabWidget::QOZMTabWidget(QWidget* parent)
    : QTabWidget(parent)
    , m_sizer(this)
{
}

int QOZMTabWidget::addTab(QWidget* page, const QString& label)
{
    m_sizer.adopt(page);
    return QTabWidget::addTab(page, label);
}

void QOZMTabWidget::setAdjustSizeToVisibleChild(bool adjust_size_to_visible)
{
    m_sizer.setOn(adjust_size_to_visible, pagesOf(*this));
}

bool QOZMTabWidget::eventFilter(QObject* watched, QEvent* event)
{
    m_sizer.pageEvent(watched, event);
    return QTabWidget::eventFilter(watched, event);
}
