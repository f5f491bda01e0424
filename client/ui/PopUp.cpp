#include "PopUp.h"

#include <QPainter>
#include <QPolygon>
#include <QResizeEvent>

namespace {

const int CornerRadius = 7;
const int ArrowHalfHeight = 6;

} // namespace

PopUp::PopUp()
    : QDialog(nullptr, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setupUi(this);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void PopUp::setObjectNamePrefix(const QString& prefix)
{
    setObjectName(prefix + QStringLiteral("Popup"));
}

QBitmap PopUp::arrowedRect(const QRect& rect, bool arrowOnRight, int arrowOffset)
{
    if (rect == m_lastRect && arrowOnRight == m_lastArrowOnRight && arrowOffset == m_lastArrowOffset)
        return m_lastMask;
    arrowOffset = qMin(arrowOffset, rect.height() / 2 - 13);
    m_lastRect = rect;
    m_lastArrowOnRight = arrowOnRight;
    m_lastArrowOffset = arrowOffset;

    const int w = rect.width();
    const int h = rect.height();
    const int half = h < ArrowHalfHeight + 1 ? h / 2 : ArrowHalfHeight;
    const int centreY = h / 2 + arrowOffset;
    // The body spans from the arrow's base to the far edge.
    const QRect body = arrowOnRight ? QRect(0, 0, w - half, h) : QRect(half, 0, w - half, h);
    const int d = 2 * CornerRadius;

    QBitmap mask(rect.size());
    mask.fill(Qt::color0);
    QPainter painter(&mask);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::color1);
    painter.drawRect(body.adjusted(CornerRadius, 0, -CornerRadius, 0));
    painter.drawRect(body.adjusted(0, CornerRadius, 0, -CornerRadius));
    painter.drawEllipse(QRect(body.left(), body.top(), d, d));
    painter.drawEllipse(QRect(body.right() - d + 1, body.top(), d, d));
    painter.drawEllipse(QRect(body.left(), body.bottom() - d + 1, d, d));
    painter.drawEllipse(QRect(body.right() - d + 1, body.bottom() - d + 1, d, d));
    const int baseX = arrowOnRight ? w - half : half;
    const int tipX = arrowOnRight ? w : 0;
    painter.drawPolygon(QPolygon({QPoint(baseX, centreY - half), QPoint(tipX, centreY), QPoint(baseX, centreY + half)}));
    painter.end();
    m_lastMask = mask;
    return mask;
}

void PopUp::resizeEvent(QResizeEvent* event)
{
    setMask(arrowedRect(QRect(0, 0, width(), height()), m_lastArrowOnRight, m_lastArrowOffset));
    QDialog::resizeEvent(event);
}
