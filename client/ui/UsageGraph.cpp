#include "UsageGraph.h"

#include "Clock.h"
#include "SessionTraffic.h"

#include <QCoreApplication>
#include <QDebug>
#include <QHoverEvent>
#include <QLabel>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

const QColor BackgroundColor(0xff, 0xff, 0xff);
const QColor GridColor(0xc0, 0xc0, 0xc0);
const QColor TextColor(0x6d, 0x6f, 0x71);
const QColor CurrentDeviceColor(0x00, 0x92, 0x45);
const QColor AllDevicesColor(0xff, 0xd0, 0x80);

const int HoverDistance = 20;

// Tick offsets of each show mode: hours from today 00:00 (mode 0), days from
// today 23:59:59 (modes 1, 2), months from the current one (modes 3 to 5).
const QList<int>& ticksOf(int mode)
{
    static const QList<int> table[] = {
        {0, 4, 8, 12, 16, 20, 24},
        {-6, -5, -4, -3, -2, -1, 0},
        {-30, -25, -20, -15, -10, -5, 0},
        {-2, -1, 0},
        {-5, -4, -3, -2, -1, 0},
        {-10, -8, -6, -4, -2, 0},
    };
    static const QList<int> none;
    return mode >= 0 && mode < int(std::size(table)) ? table[mode] : none;
}

bool isDayMode(int mode) { return mode == 1 || mode == 2; }

QString megabytesUnit()
{
    return QCoreApplication::translate("QObject", "MB");
}

QString hoverLabelStyle(const QColor& series)
{
    return "color: " + TextColor.name() + ";background-color: " + BackgroundColor.name() + ";border: 1px solid "
           + series.name() + ";margin: 0;padding: 0;";
}

QLabel* makeHoverLabel(QWidget* parent, const QString& name, const QColor& series)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setStyleSheet(hoverLabelStyle(series));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->hide();
    return label;
}

QPen seriesPen(const QColor& color)
{
    return QPen(QBrush(color), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

const QPen& gridPen()
{
    static const QPen pen(GridColor);
    return pen;
}

const QPen& textPen()
{
    static const QPen pen(TextColor);
    return pen;
}

// Invalid ends sort first and fall before every bucket.
qint64 endKey(const DataSession& session)
{
    return session.start.isValid() ? session.start.addSecs(session.duration).toMSecsSinceEpoch() : LLONG_MIN;
}

void logUnknownMode(int mode)
{
    qCritical().noquote() << "ERROR: UsageGraph unknown show mode" << mode;
}

struct Segment
{
    QPointF start;
    QPointF end;
    double dx() const { return end.x() - start.x(); }
    double dy() const { return end.y() - start.y(); }
};

QPointF joint(const Segment& a, const Segment& b)
{
    if (std::abs(a.dx()) < 0.001)
        return a.end;
    if (std::abs(b.dx()) < 0.001)
        return b.end;
    const double mA = a.dy() / a.dx();
    const double mB = b.dy() / b.dx();
    if (std::abs(mA - mB) < 0.001)
        return a.end;
    const double bA = a.start.y() - a.start.x() * mA;
    const double x = ((b.start.y() - b.start.x() * mB) - bA) / (mA - mB);
    return QPointF(x, mA * x + bA);
}

// Truncated like an int cast, but never outside [0, limit - 1].
int pixelWithin(double value, int limit)
{
    return int(std::clamp(value, 0.0, double(std::max(limit - 1, 0))));
}

} // namespace

void UsageGraph::TrafficPoint::hover(const QPoint& pos)
{
    hovered = std::abs(pos.x() - pixelPos.x()) <= HoverDistance && std::abs(pos.y() - pixelPos.y()) <= HoverDistance;
}

UsageGraph::UsageGraph(QWidget* parent)
    : QWidget(parent)
    , m_allDevicesLabel(makeHoverLabel(this, "lbHoverAllDevices", AllDevicesColor))
    , m_currentDeviceLabel(makeHoverLabel(this, "lbHoverThisDevice", CurrentDeviceColor))
{
    setAttribute(Qt::WA_Hover);
    recalcAllDrawingPoints();
}

QList<UsageGraph::XAxisLabel> UsageGraph::xAxisLabels() const
{
    return QList<XAxisLabel>{m_firstXLabel} + m_middleXLabels + QList<XAxisLabel>{m_lastXLabel};
}

QList<UsageGraph::YAxisLabel> UsageGraph::yAxisLabels() const
{
    return QList<YAxisLabel>(std::begin(m_yLabels), std::end(m_yLabels));
}

QString UsageGraph::trafficNumberText(double megabytes)
{
    QString text = QString::number(megabytes, 'f', 2);
    if (!text.contains(QLatin1Char('.')))
        return text;
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

void UsageGraph::setData(QList<DataSession> currentDevice, QList<DataSession> allDevices)
{
    const int replaced = SessionTraffic::sanitise(currentDevice) + SessionTraffic::sanitise(allDevices);
    if (replaced > 0)
        qWarning().noquote() << "UsageGraph: traffic figures that are no sane number count as 0:" << replaced;
    m_currentSessions = currentDevice;
    m_allSessions = allDevices;
    recalcAllDrawingPoints();
    redraw();
}

void UsageGraph::clearData()
{
    m_currentSessions.clear();
    m_allSessions.clear();
    recalcAllDrawingPoints();
    redraw();
}

void UsageGraph::setShowMode(UsageGraph::ShowMode mode)
{
    m_showMode = mode;
    recalcAllDrawingPoints();
    redraw();
}

void UsageGraph::recalcAllDrawingPoints()
{
    recalcXAxisLabels();
    recalcGraphPoints();
    recalcYAxisLabels();
    recalcGraphMargins();
}

void UsageGraph::redrawBuffer()
{
    redraw();
}

void UsageGraph::updateMinSize(int width)
{
    const int height = minimumWidth() > 0 ? minimumHeight() * width / minimumWidth() : minimumHeight();
    setMinimumSize(width, height);
}

// Mode 0 counts today's wall-clock hours, so that a daylight-saving day still
// reads 0, 4, ... 24 and its buckets end on those hours.
QDateTime UsageGraph::tickTime(int offset) const
{
    const QDate today = Clock::today();
    if (m_showMode == Day)
        return offset >= 24 ? QDateTime(today.addDays(1), QTime(0, 0)) : QDateTime(today, QTime(offset, 0));
    if (isDayMode(m_showMode))
        return QDateTime(today, QTime(23, 59, 59)).addDays(offset);
    return QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)).addMonths(offset + 1).addSecs(-1);
}

void UsageGraph::recalcXAxisLabels()
{
    m_middleXLabels.clear();
    const QList<int>& ticks = ticksOf(m_showMode);
    if (ticks.isEmpty()) {
        logUnknownMode(m_showMode);
        return;
    }
    QList<XAxisLabel> labels;
    for (int offset : ticks) {
        const QDateTime time = tickTime(offset);
        QString text;
        if (m_showMode == Day)
            text = QString::number(time.time().hour());
        else if (isDayMode(m_showMode))
            text = QStringLiteral("%1/%2").arg(time.date().month()).arg(time.date().day());
        else
            text = QLocale().monthName(time.date().month(), QLocale::LongFormat);
        labels << XAxisLabel{text, time};
    }
    if (m_showMode == Day && labels.last().time.time().hour() == 0)
        labels.last().text = QStringLiteral("24");
    m_firstXLabel = labels.takeFirst();
    m_lastXLabel = labels.takeLast();
    m_middleXLabels = labels;
}

QDateTime UsageGraph::rangeEnd() const
{
    return m_showMode == Day ? Clock::now() : tickTime(ticksOf(m_showMode).last());
}

QDateTime UsageGraph::firstBucketStart() const
{
    const QList<int>& ticks = ticksOf(m_showMode);
    if (isDayMode(m_showMode))
        return tickTime(2 * ticks[0] - ticks[1]);
    return tickTime(ticks[0] - 1);
}

void UsageGraph::addPoints(const QList<DataSession>& sessions, QList<TrafficPoint>& points) const
{
    QList<QPair<qint64, double>> ends;
    for (const DataSession& session : sessions)
        ends << qMakePair(endKey(session), session.traffic);
    std::stable_sort(ends.begin(), ends.end(),
                     [](const QPair<qint64, double>& a, const QPair<qint64, double>& b) { return a.first < b.first; });

    int next = ends.size() - 1;
    const qint64 end = rangeEnd().toMSecsSinceEpoch();
    while (next >= 0 && ends[next].first > end)
        --next;
    // Takes the unused sessions that end at lower or later, newest first.
    const auto sumFrom = [&ends, &next](qint64 lower) {
        double sum = 0;
        for (; next >= 0 && ends[next].first >= lower; --next)
            sum += ends[next].second;
        return sum;
    };

    const QList<int>& ticks = ticksOf(m_showMode);
    const QDateTime now = Clock::now();
    for (int k = ticks.size() - 1; k >= 1; --k) {
        const QDateTime lower = tickTime(ticks[k - 1]);
        const QDateTime upper = tickTime(ticks[k]);
        if (m_showMode == Day && lower > now)
            continue;
        const bool holdsNow = m_showMode == Day && now < upper;
        const double traffic = sumFrom(lower.toMSecsSinceEpoch());
        points.prepend(TrafficPoint{holdsNow ? now : upper, traffic, QPoint(), false});
    }
    const QDateTime first = tickTime(ticks[0]);
    const double traffic = m_showMode == Day ? 0 : sumFrom(firstBucketStart().toMSecsSinceEpoch());
    points.prepend(TrafficPoint{first, traffic, QPoint(), false});
}

void UsageGraph::recalcGraphPoints()
{
    m_hoveredAll = -1;
    m_hoveredCurrent = -1;
    m_allDevicesLabel->hide();
    m_currentDeviceLabel->hide();
    m_currentPoints.clear();
    m_allPoints.clear();
    if (m_currentSessions.isEmpty() && m_allSessions.isEmpty())
        return;
    if (ticksOf(m_showMode).isEmpty()) {
        logUnknownMode(m_showMode);
        return;
    }
    addPoints(m_currentSessions, m_currentPoints);
    addPoints(m_allSessions, m_allPoints);
}

void UsageGraph::recalcYAxisLabels()
{
    double maximum = 1.0;
    for (const QList<TrafficPoint>* points : {&m_currentPoints, &m_allPoints})
        for (const TrafficPoint& point : *points)
            maximum = std::max(maximum, point.traffic);
    if (maximum > 1.001)
        maximum = maximum <= 5.001 ? 5 : std::ceil(maximum * 1.1 / 10) * 10;

    const QString unit = megabytesUnit();
    const QString withUnit = QStringLiteral("%1 %2");
    m_yLabels[0] = YAxisLabel{withUnit.arg(0).arg(unit), 0};
    m_yLabels[4] = YAxisLabel{withUnit.arg(QString::number(maximum, 'f', 0), unit), maximum};
    for (int i = 1; i <= 3; ++i) {
        double value = i * maximum * 0.25;
        QString text;
        if (maximum <= 10) {
            text = trafficNumberText(value);
        } else {
            value = i == 1 ? std::floor(value) : std::ceil(value);
            text = QString::number(value, 'f', 0);
        }
        m_yLabels[i] = YAxisLabel{text + " " + unit, value};
    }
}

void UsageGraph::recalcGraphMargins()
{
    const QFontMetrics metrics = fontMetrics();
    const QRect first = metrics.boundingRect(m_firstXLabel.text);
    const QRect last = metrics.boundingRect(m_lastXLabel.text);
    const int charWidth = metrics.averageCharWidth();
    m_margins.top = 0;
    m_margins.left = std::max(80, first.width() / 2 + charWidth);
    m_margins.right = std::max(0, last.width() / 2 + charWidth);
    m_margins.bottom = int(1.5 * std::max({metrics.height(), first.height(), last.height()}));
}

QPoint UsageGraph::pixelPosOf(const QDateTime& time, double traffic) const
{
    const double span = std::max<qint64>(m_firstXLabel.time.secsTo(m_lastXLabel.time), 1);
    const double x = double(m_width - m_margins.left - m_margins.right) * double(m_firstXLabel.time.secsTo(time))
                         / span
                     + m_margins.left;
    const double top = m_yLabels[4].value;
    const double bottom = m_yLabels[0].value;
    const double y = double(m_height - m_margins.top - m_margins.bottom) * (top - traffic) / (top - bottom)
                     + m_margins.top;
    return QPoint(pixelWithin(x, m_width), pixelWithin(y, m_height));
}

void UsageGraph::recalcGraphPointsPixelsPos()
{
    for (QList<TrafficPoint>* points : {&m_currentPoints, &m_allPoints})
        for (TrafficPoint& point : *points)
            point.pixelPos = pixelPosOf(point.time, point.traffic);
}

void UsageGraph::redraw()
{
    if (isVisible())
        forceRedrawBuffer();
    else
        m_bufferDirty = true;
}

void UsageGraph::forceRedrawBuffer()
{
    if (m_buffer.isNull())
        return;
    m_bufferDirty = false;
    recalcGraphPointsPixelsPos();
    QPainter painter(&m_buffer);
    painter.setFont(font());
    painter.fillRect(m_buffer.rect(), BackgroundColor);
    drawFrame(painter);
    drawSeries(painter);
    update();
}

void UsageGraph::resizeEvent(QResizeEvent* event)
{
    m_width = event->size().width();
    m_height = event->size().height();
    m_buffer = m_width > 0 && m_height > 0 ? QPixmap(m_width, m_height) : QPixmap();
    redraw();
    QWidget::resizeEvent(event);
}

void UsageGraph::paintEvent(QPaintEvent* event)
{
    if (m_buffer.isNull())
        return;
    if (m_bufferDirty)
        forceRedrawBuffer();
    const QRect exposed = event->region().boundingRect();
    QPainter(this).drawPixmap(exposed, m_buffer, exposed);
}

void UsageGraph::drawXLabel(QPainter& painter, const XAxisLabel& label, int x, int ty)
{
    const QRect bounds = painter.fontMetrics().boundingRect(label.text);
    painter.drawText(QRect(x - bounds.width() / 2, ty, bounds.width(), bounds.height()), Qt::AlignCenter,
                     label.text);
}

void UsageGraph::drawFrame(QPainter& painter)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int cw = metrics.averageCharWidth();
    const int lh = metrics.height() + metrics.leading();
    const int top = m_margins.top;
    const int bottom = m_height - m_margins.bottom;
    const int left = m_margins.left;
    const int right = m_width - m_margins.right;
    const int rightAligned = Qt::AlignRight | Qt::AlignVCenter;

    painter.setPen(gridPen());
    painter.drawLine(0, top, m_width, top);
    painter.drawLine(0, bottom, m_width, bottom);
    painter.setPen(textPen());
    painter.drawText(QRect(QPoint(0, top), QPoint(left - cw, top + lh)), rightAligned, m_yLabels[4].text);
    painter.drawText(QRect(QPoint(0, bottom - lh), QPoint(left - cw, bottom)), rightAligned, m_yLabels[0].text);
    const double topValue = m_yLabels[4].value;
    const double bottomValue = m_yLabels[0].value;
    for (int i = 1; i <= 3; ++i) {
        const int y = int((bottom - top) * (topValue - m_yLabels[i].value) / (topValue - bottomValue) + top);
        painter.setPen(gridPen());
        painter.drawLine(left, y, right, y);
        painter.setPen(textPen());
        painter.drawText(QRect(QPoint(0, y - lh / 2), QPoint(left - cw, y + lh / 2)), rightAligned,
                         m_yLabels[i].text);
    }

    painter.setPen(gridPen());
    painter.drawLine(left, top, left, bottom);
    painter.drawLine(right, top, right, bottom);
    const int ty = bottom + lh / 3;
    painter.setPen(textPen());
    drawXLabel(painter, m_firstXLabel, left, ty);
    drawXLabel(painter, m_lastXLabel, right, ty);
    for (const XAxisLabel& label : qAsConst(m_middleXLabels)) {
        const int x = pixelPosOf(label.time, bottomValue).x();
        painter.setPen(gridPen());
        painter.drawLine(x, top, x, bottom);
        painter.setPen(textPen());
        drawXLabel(painter, label, x, ty);
    }
}

void UsageGraph::drawSeries(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(seriesPen(AllDevicesColor));
    drawLines(painter, m_allPoints, 2);
    painter.setPen(seriesPen(CurrentDeviceColor));
    drawLines(painter, m_currentPoints, 0);
}

// Shifts the line perpendicular to itself by offset pixels (up for a segment
// that runs to the right) and joins the shifted segments where they meet.
void UsageGraph::drawLines(QPainter& painter, const QList<UsageGraph::TrafficPoint>& points, int offset)
{
    if (points.isEmpty())
        return;
    if (points.size() == 1) {
        qCritical().noquote() << "UsageGraph: internal error - not enough usage points";
        return;
    }
    QList<Segment> segments;
    for (int i = 1; i < points.size(); ++i) {
        const QPointF a = points[i - 1].pixelPos;
        const QPointF b = points[i].pixelPos;
        const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
        // Neighbours on one pixel have no direction to shift along.
        if (length == 0)
            continue;
        const QPointF shift((b.y() - a.y()) / length * offset, -(b.x() - a.x()) / length * offset);
        segments << Segment{a + shift, b + shift};
    }
    if (segments.isEmpty())
        return;
    QPolygonF line;
    line << segments.first().start;
    for (int i = 1; i < segments.size(); ++i)
        line << joint(segments[i - 1], segments[i]);
    line << segments.last().end;
    painter.drawPolyline(line);
}

bool UsageGraph::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        onHoverEvent(static_cast<QHoverEvent*>(event)->posF().toPoint());
        break;
    case QEvent::HoverLeave:
        hoverOutAllDevices();
        hoverOutCurrentDevice();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void UsageGraph::onHoverEvent(const QPoint& pos)
{
    bool allStays = false;
    if (m_hoveredAll >= 0) {
        TrafficPoint& point = m_allPoints[m_hoveredAll];
        point.hover(pos);
        allStays = point.hovered;
        if (!allStays)
            hoverOutAllDevices();
    }
    bool searchCurrent = true;
    if (m_hoveredCurrent >= 0) {
        TrafficPoint& point = m_currentPoints[m_hoveredCurrent];
        point.hover(pos);
        if (point.hovered) {
            if (allStays)
                return;
            searchCurrent = false;
        } else {
            hoverOutCurrentDevice();
            // Its label is placed again now that the other one is gone.
            if (allStays)
                hoverInAllDevices(m_hoveredAll);
        }
    }
    if (searchCurrent) {
        int found = -1;
        for (int i = 0; i < m_currentPoints.size() && found < 0; ++i) {
            m_currentPoints[i].hover(pos);
            if (m_currentPoints[i].hovered)
                found = i;
        }
        if (found >= 0)
            hoverInCurrentDevice(found);
        if (allStays) {
            if (found >= 0)
                hoverInAllDevices(m_hoveredAll);
            return;
        }
    }
    for (int i = 0; i < m_allPoints.size(); ++i) {
        m_allPoints[i].hover(pos);
        if (m_allPoints[i].hovered) {
            hoverInAllDevices(i);
            return;
        }
    }
}

void UsageGraph::hoverInCurrentDevice(int index)
{
    m_hoveredCurrent = index;
    showHoverLabelAt(m_currentDeviceLabel, m_currentPoints[index]);
}

void UsageGraph::hoverOutCurrentDevice()
{
    m_hoveredCurrent = -1;
    m_currentDeviceLabel->hide();
}

void UsageGraph::hoverOutAllDevices()
{
    m_hoveredAll = -1;
    m_allDevicesLabel->hide();
}

void UsageGraph::hoverInAllDevices(int index)
{
    m_hoveredAll = index;
    const TrafficPoint& point = m_allPoints[index];
    if (m_currentDeviceLabel->isHidden()) {
        showHoverLabelAt(m_allDevicesLabel, point);
        return;
    }
    QLabel* const label = m_allDevicesLabel;
    label->setText(trafficNumberText(point.traffic) + " " + megabytesUnit());
    label->adjustSize();
    const QFontMetrics metrics = label->fontMetrics();
    const int cw = metrics.averageCharWidth();
    const int d = metrics.descent();
    const int cx = m_currentDeviceLabel->x();
    const int cy = m_currentDeviceLabel->y();
    const int wc = m_currentDeviceLabel->width() - 1;
    const int hc = m_currentDeviceLabel->height() - 1;
    const int wa = label->width() - 1;
    const int ha = label->height() - 1;
    const int plotRight = m_width - m_margins.right;
    const int right = cx + wc;

    const int yMid = (cy + cy + hc) / 2 - ha / 2;
    const int yAbove = yMid - (hc + 1) / 2 - (ha + 1) / 2 - d;
    int x = 0;
    int y = 0;
    if (yAbove <= m_margins.top) {
        y = yMid;
        x = wa + right + cw + 1 >= plotRight ? cx - wa - cw : right + cw + 1;
    } else {
        y = yAbove;
        int xc = (cx + right) / 2 - wa / 2;
        const int excess = xc + wa - (plotRight - cw);
        if (excess > 0)
            xc -= excess;
        x = std::max(m_margins.left + cw, xc);
    }
    label->move(x, y);
    label->show();
}

void UsageGraph::showHoverLabelAt(QLabel* label, const TrafficPoint& point)
{
    label->setText(trafficNumberText(point.traffic) + " " + megabytesUnit());
    label->adjustSize();
    const QFontMetrics metrics = label->fontMetrics();
    const int cw = metrics.averageCharWidth();
    const int d = metrics.descent();
    const int w = label->width() - 1;
    const int h = label->height() - 1;
    const int px = point.pixelPos.x();
    const int py = point.pixelPos.y();

    int x = px - w / 2;
    const int yCentre = py - h / 2;
    const int yAbove = yCentre - (h + 1) / 2 - d;
    int y = yAbove;
    if (yAbove <= m_margins.top) {
        y = yCentre;
        x += (w + 1) / 2 + cw;
    }
    if (x + w >= m_width - m_margins.right)
        x = px - w - cw;
    if (x <= m_margins.left)
        x = px + cw;
    label->move(x, y);
    label->show();
}
