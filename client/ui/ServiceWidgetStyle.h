#pragma once

#include <QPixmap>
#include <QProxyStyle>
#include <QSharedPointer>

// Draws the service rows' radio buttons as the client's own on/off images,
// faded when the row is disabled. All rows share one instance, which goes with
// the last of them.
class ServiceWidgetStyle : public QProxyStyle
{
    Q_OBJECT
public:
    ServiceWidgetStyle();

    // The living instance, or a new one when the last row took the old one away.
    static QSharedPointer<ServiceWidgetStyle> shared();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;

private:
    const QPixmap checked;
    const QPixmap unchecked;
};
