#include "ServiceWidgetStyle.h"

#include <QPainter>
#include <QStyleOption>
#include <QWeakPointer>

ServiceWidgetStyle::ServiceWidgetStyle()
    : checked(QStringLiteral(":/Images/rb_on.png"))
    , unchecked(QStringLiteral(":/Images/rb_off.png"))
{
}

QSharedPointer<ServiceWidgetStyle> ServiceWidgetStyle::shared()
{
    static QWeakPointer<ServiceWidgetStyle> alive;
    QSharedPointer<ServiceWidgetStyle> style = alive.toStrongRef();
    if (!style) {
        style.reset(new ServiceWidgetStyle);
        alive = style;
    }
    return style;
}

void ServiceWidgetStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                       const QWidget* widget) const
{
    if (element != PE_IndicatorRadioButton) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    painter->save();
    painter->setOpacity(option->state & State_Enabled ? 1.0 : 0.5);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawPixmap(option->rect, option->state & State_On ? checked : unchecked);
    painter->restore();
}

int ServiceWidgetStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
        return 16;
    case PM_RadioButtonLabelSpacing:
        return 6;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}
