#pragma once

#include "DataSession.h"

#include <QDateTime>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

class QLabel;

// The traffic of this device (green) and of all the account's devices (orange)
// over a chosen time range, one point per tick of the range. Everything is
// computed when data, mode or size change and painted into an off-screen
// buffer; paint events only copy from it.
class UsageGraph : public QWidget
{
    Q_OBJECT
public:
    // Any int is a value, so that an unknown mode is a case to handle, not undefined.
    enum ShowMode : int { Day = 0, Week = 1, Month = 2, ThreeMonths = 3, SixMonths = 4, Year = 5 };

    struct TrafficPoint
    {
        // The end of the point's bucket.
        QDateTime time;
        // MB, the sum over the bucket.
        double traffic = 0;
        QPoint pixelPos;
        bool hovered = false;

        // Near means within 20 pixels in x and in y, bounds included.
        void hover(const QPoint& pos);
    };
    struct XAxisLabel
    {
        QString text;
        QDateTime time;
    };
    struct YAxisLabel
    {
        QString text;
        double value = 0;
    };
    struct Margins
    {
        int top = 0;
        int right = 0;
        int bottom = 0;
        int left = 0;
    };

    explicit UsageGraph(QWidget* parent = nullptr);

    void recalcAllDrawingPoints();
    void redrawBuffer();
    // Keeps the aspect ratio of the minimum size.
    void updateMinSize(int width);

    // What the graph shows, for the windows and tests that read it back.
    QList<XAxisLabel> xAxisLabels() const;
    // Bottom to top.
    QList<YAxisLabel> yAxisLabels() const;
    const QList<TrafficPoint>& currentDevicePoints() const { return m_currentPoints; }
    const QList<TrafficPoint>& allDevicesPoints() const { return m_allPoints; }
    Margins margins() const { return m_margins; }

    // Two decimals at most, trailing zeros and a bare point dropped.
    static QString trafficNumberText(double megabytes);

public slots:
    void setData(QList<DataSession> currentDevice, QList<DataSession> allDevices);
    void clearData();
    void setShowMode(UsageGraph::ShowMode mode);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Ticks;

    void recalcXAxisLabels();
    void recalcGraphPoints();
    void recalcYAxisLabels();
    void recalcGraphMargins();
    void recalcGraphPointsPixelsPos();
    void redraw();
    void forceRedrawBuffer();

    QDateTime tickTime(int offset) const;
    QDateTime rangeEnd() const;
    QDateTime firstBucketStart() const;
    void addPoints(const QList<DataSession>& sessions, QList<TrafficPoint>& points) const;
    QPoint pixelPosOf(const QDateTime& time, double traffic) const;

    void drawFrame(QPainter& painter);
    void drawSeries(QPainter& painter);
    void drawLines(QPainter& painter, const QList<UsageGraph::TrafficPoint>& points, int offset);
    void drawXLabel(QPainter& painter, const XAxisLabel& label, int x, int ty);

    void onHoverEvent(const QPoint& pos);
    void hoverInAllDevices(int index);
    void hoverInCurrentDevice(int index);
    void hoverOutAllDevices();
    void hoverOutCurrentDevice();
    void showHoverLabelAt(QLabel* label, const TrafficPoint& point);

    int m_width = 0;
    int m_height = 0;
    QList<DataSession> m_currentSessions;
    QList<DataSession> m_allSessions;
    XAxisLabel m_firstXLabel;
    QList<XAxisLabel> m_middleXLabels;
    XAxisLabel m_lastXLabel;
    YAxisLabel m_yLabels[5];
    QList<TrafficPoint> m_currentPoints;
    QList<TrafficPoint> m_allPoints;
    ShowMode m_showMode = Day;
    QPixmap m_buffer;
    Margins m_margins;
    QLabel* m_allDevicesLabel;
    QLabel* m_currentDeviceLabel;
    // Indices into the point lists; -1 when no point of that list is hovered.
    int m_hoveredAll = -1;
    int m_hoveredCurrent = -1;
    bool m_bufferDirty = false;
};
