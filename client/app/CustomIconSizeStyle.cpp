#include "CustomIconSizeStyle.h"

CustomIconSizeStyle::CustomIconSizeStyle(QStyle* base)
    : QProxyStyle(base)
{
}

int CustomIconSizeStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    const int base = QProxyStyle::pixelMetric(metric, option, widget);
    return metric == QStyle::PM_SmallIconSize ? m_iconSize : base;
}
