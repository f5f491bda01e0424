#include "RoundedCorners.h"

#include <QDebug>
#include <QImage>
#include <QPainter>

QBitmap roundedRect(const QRect& rect, int radius)
{
    if (radius <= 0) {
        QBitmap full(rect.size());
        full.fill(Qt::color1);
        return full;
    }
    QPixmap circle(2 * radius, 2 * radius);
    circle.fill(Qt::transparent);
    {
        QPainter painter(&circle);
        painter.setBrush(QBrush(Qt::black, Qt::SolidPattern));
        painter.drawEllipse(circle.rect());
    }

    QPixmap shape(rect.size());
    shape.fill(Qt::transparent);
    QPainter painter(&shape);
    painter.setBrush(QBrush(Qt::black, Qt::SolidPattern));
    painter.drawRect(QRect(QPoint(rect.left() + radius, rect.top()), QPoint(rect.right() - radius, rect.bottom())));
    painter.drawRect(QRect(QPoint(rect.left(), rect.top() + radius), QPoint(rect.right(), rect.bottom() - radius)));
    const int w = shape.width();
    const int h = shape.height();
    painter.translate(w / 2, h / 2);
    // One quarter of the circle lands in each corner as the painter turns.
    for (int corner = 0; corner < 4; ++corner) {
        if (corner % 2 == 0)
            painter.drawPixmap(-w / 2, -h / 2, circle);
        else
            painter.drawPixmap(-h / 2, -w / 2, circle);
        painter.rotate(90);
    }
    painter.end();
    return shape.mask();
}

QPixmap roundedCornersMask(const QRect& rect, int radius)
{
    if (radius != 5) {
        qDebug("%s", qPrintable(QStringLiteral("roundedCornersMask(): no pattern for radius %1. Use roundedRect().")
                                    .arg(radius)));
        return roundedRect(rect, radius - 2);
    }
    QImage image(rect.size(), QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    image.fill(1);
    const int lastColumn = rect.right() - rect.left();
    const int lastRow = rect.bottom() - rect.top();
    // Counted from the corner inwards: four pixels of the outer row, two, one, one.
    static const QPoint cut[] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {0, 2}, {0, 3}};
    for (const QPoint& p : cut)
        for (const QPoint& corner : {p, QPoint(lastColumn - p.x(), p.y()), QPoint(p.x(), lastRow - p.y()),
                                     QPoint(lastColumn - p.x(), lastRow - p.y())})
            if (image.valid(corner))
                image.setPixel(corner, 0);
    return QPixmap::fromImage(image);
}
