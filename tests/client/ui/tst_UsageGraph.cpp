// The traffic graph under a fixed clock in Europe/Berlin: buckets, axes,
// hostile figures, painting and hover labels.
#include "Clock.h"
#include "QtWarningsFail.h"
#include "UiTestKit.h"
#include "UsageGraph.h"
#include "UsageReply.h"

#include <QHoverEvent>
#include <QLabel>
#include <QTest>

Q_DECLARE_METATYPE(QList<DataSession>)

namespace {

const QColor CurrentGreen(0x00, 0x92, 0x45);
const QColor AllOrange(0xff, 0xd0, 0x80);
const QColor GridGrey(0xc0, 0xc0, 0xc0);

QDateTime local(const QString& iso)
{
    return QDateTime::fromString(iso, Qt::ISODate);
}

// A session that ends at end (local ISO time) after duration seconds.
DataSession endingAt(const QString& end, double traffic, int duration = 600)
{
    DataSession session;
    session.start = local(end).addSecs(-duration);
    session.duration = duration;
    session.traffic = traffic;
    return session;
}

QStringList described(const QList<UsageGraph::TrafficPoint>& points)
{
    QStringList result;
    for (const UsageGraph::TrafficPoint& point : points)
        result << point.time.toString(Qt::ISODate) + " " + QString::number(point.traffic);
    return result;
}

QStringList texts(const QList<UsageGraph::XAxisLabel>& labels)
{
    QStringList result;
    for (const UsageGraph::XAxisLabel& label : labels)
        result << label.text;
    return result;
}

QStringList texts(const QList<UsageGraph::YAxisLabel>& labels)
{
    QStringList result;
    for (const UsageGraph::YAxisLabel& label : labels)
        result << label.text;
    return result;
}

int pixelsOf(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

// A week at the usage form's size, shown.
void showWeek(UsageGraph& graph, const QList<DataSession>& current, const QList<DataSession>& all)
{
    graph.resize(520, 240);
    graph.setShowMode(UsageGraph::Week);
    graph.setData(current, all);
    graph.show();
}

void hoverAt(UsageGraph& graph, const QPoint& pos)
{
    QHoverEvent event(QEvent::HoverMove, pos, QPoint(-1, -1));
    QCoreApplication::sendEvent(&graph, &event);
}

} // namespace

class tst_UsageGraph : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UsageReply::useBerlinTime();
        UiTestKit::prepare();
    }
    void cleanup() { Clock::pin(QDateTime()); }

    void points_data()
    {
        QTest::addColumn<QString>("now");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<DataSession>>("sessions");
        QTest::addColumn<QStringList>("xLabels");
        QTest::addColumn<QStringList>("points");

        const QStringList hours{"0", "4", "8", "12", "16", "20", "24"};
        QTest::newRow("mode 0 just after midnight")
            << "2026-06-10T00:30:00" << 0
            << QList<DataSession>{endingAt("2026-06-09T23:30:00", 7), endingAt("2026-06-10T00:15:00", 3)} << hours
            << QStringList{"2026-06-10T00:00:00 0", "2026-06-10T00:30:00 3"};
        const QStringList week{"6/4", "6/5", "6/6", "6/7", "6/8", "6/9", "6/10"};
        const auto weekPoints = [](double yesterday, double today) {
            return QStringList{"2026-06-04T23:59:59 0",       "2026-06-05T23:59:59 0",
                               "2026-06-06T23:59:59 0",       "2026-06-07T23:59:59 0",
                               "2026-06-08T23:59:59 0",       "2026-06-09T23:59:59 " + QString::number(yesterday),
                               "2026-06-10T23:59:59 " + QString::number(today)};
        };
        QTest::newRow("mode 1, end on yesterday's last second counts today")
            << "2026-06-10T12:00:00" << 1 << QList<DataSession>{endingAt("2026-06-09T23:59:59", 2)} << week
            << weekPoints(0, 2);
        QTest::newRow("mode 1, a second earlier counts yesterday")
            << "2026-06-10T12:00:00" << 1 << QList<DataSession>{endingAt("2026-06-09T23:59:58", 2)} << week
            << weekPoints(2, 0);
        QTest::newRow("mode 3 on 31 March")
            << "2026-03-31T12:00:00" << 3
            << QList<DataSession>{endingAt("2025-12-20T10:00:00", 100), endingAt("2026-01-15T10:00:00", 5),
                                  endingAt("2026-02-28T23:30:00", 7), endingAt("2026-03-31T10:00:00", 1)}
            << QStringList{"January", "February", "March"}
            << QStringList{"2026-01-31T23:59:59 5", "2026-02-28T23:59:59 7", "2026-03-31T23:59:59 1"};
        QTest::newRow("mode 5, first point spans one month")
            << "2026-06-15T12:00:00" << 5
            << QList<DataSession>{endingAt("2025-07-20T10:00:00", 50), endingAt("2025-08-10T10:00:00", 4),
                                  endingAt("2025-09-10T10:00:00", 6)}
            << QStringList{"August", "October", "December", "February", "April", "June"}
            << QStringList{"2025-08-31T23:59:59 4", "2025-10-31T23:59:59 6", "2025-12-31T23:59:59 0",
                           "2026-02-28T23:59:59 0", "2026-04-30T23:59:59 0", "2026-06-30T23:59:59 0"};
        // Clocks go forward at 02:00: the 4 o'clock tick is still 04:00 on the wall.
        QTest::newRow("Berlin spring day")
            << "2026-03-29T23:00:00" << 0 << QList<DataSession>{endingAt("2026-03-29T04:00:00", 5)} << hours
            << QStringList{"2026-03-29T00:00:00 0", "2026-03-29T04:00:00 0", "2026-03-29T08:00:00 5",
                           "2026-03-29T12:00:00 0", "2026-03-29T16:00:00 0", "2026-03-29T20:00:00 0",
                           "2026-03-29T23:00:00 0"};
        // Clocks go back at 03:00: 20:00 ends the fifth bucket, not 19:00.
        QTest::newRow("Berlin autumn day")
            << "2026-10-25T21:00:00" << 0
            << QList<DataSession>{endingAt("2026-10-25T19:30:00", 1), endingAt("2026-10-25T20:00:00", 6)} << hours
            << QStringList{"2026-10-25T00:00:00 0", "2026-10-25T04:00:00 0", "2026-10-25T08:00:00 0",
                           "2026-10-25T12:00:00 0", "2026-10-25T16:00:00 0", "2026-10-25T20:00:00 1",
                           "2026-10-25T21:00:00 6"};
    }
    void points()
    {
        QFETCH(QString, now);
        QFETCH(int, mode);
        QFETCH(QList<DataSession>, sessions);
        QFETCH(QStringList, xLabels);
        QFETCH(QStringList, points);
        Clock::pin(local(now));
        UsageGraph graph;
        graph.setShowMode(UsageGraph::ShowMode(mode));
        graph.setData(sessions, sessions);
        QCOMPARE(texts(graph.xAxisLabels()), xLabels);
        QCOMPARE(described(graph.currentDevicePoints()), points);
        QCOMPARE(described(graph.allDevicesPoints()), described(graph.currentDevicePoints()));
    }

    void yAxis_data()
    {
        QTest::addColumn<QList<DataSession>>("sessions");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("no sessions") << QList<DataSession>{}
                                     << QStringList{"0 MB", "0.25 MB", "0.5 MB", "0.75 MB", "1 MB"};
        QTest::newRow("4.9") << QList<DataSession>{endingAt("2026-06-10T10:00:00", 4.9)}
                             << QStringList{"0 MB", "1.25 MB", "2.5 MB", "3.75 MB", "5 MB"};
        QTest::newRow("5.2") << QList<DataSession>{endingAt("2026-06-10T10:00:00", 5.2)}
                             << QStringList{"0 MB", "2.5 MB", "5 MB", "7.5 MB", "10 MB"};
        QTest::newRow("95, from two sessions")
            << QList<DataSession>{endingAt("2026-06-10T09:00:00", 45), endingAt("2026-06-10T10:00:00", 50)}
            << QStringList{"0 MB", "27 MB", "55 MB", "83 MB", "110 MB"};
    }
    void yAxis()
    {
        QFETCH(QList<DataSession>, sessions);
        QFETCH(QStringList, labels);
        Clock::pin(local("2026-06-10T12:00:00"));
        UsageGraph graph;
        graph.setShowMode(UsageGraph::Week);
        graph.setData(sessions, {});
        QCOMPARE(texts(graph.yAxisLabels()), labels);
    }

    void unknownModeLeavesNoPoints()
    {
        Clock::pin(local("2026-06-10T12:00:00"));
        UsageGraph graph;
        graph.setData({endingAt("2026-06-10T10:00:00", 3)}, {});
        QtWarningsFail::expect(QtCriticalMsg, "ERROR: UsageGraph unknown show mode 9");
        QtWarningsFail::expect(QtCriticalMsg, "ERROR: UsageGraph unknown show mode 9");
        graph.setShowMode(UsageGraph::ShowMode(9));
        QVERIFY(graph.currentDevicePoints().isEmpty());
        QVERIFY(graph.allDevicesPoints().isEmpty());
        QCOMPARE(texts(graph.xAxisLabels()), (QStringList{"0", "24"}));
    }

    void hostileFiguresStayInside_data()
    {
        QTest::addColumn<QList<DataSession>>("sessions");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("replaced");
        const QSize normal(520, 240);
        const auto with = [](double traffic) {
            return QList<DataSession>{endingAt("2026-06-08T10:00:00", 2), endingAt("2026-06-10T10:00:00", traffic)};
        };
        QTest::newRow("nan") << with(qQNaN()) << normal << 2;
        QTest::newRow("inf") << with(qInf()) << normal << 2;
        QTest::newRow("-inf") << with(-qInf()) << normal << 2;
        QTest::newRow("-5") << with(-5) << normal << 2;
        QTest::newRow("1e308") << with(1e308) << normal << 2;
        QTest::newRow("largest sane") << with(1e12) << normal << 0;
        QTest::newRow("duplicates") << (with(3) + with(3)) << normal << 0;
        DataSession invalid = endingAt("2026-06-10T10:00:00", 4);
        invalid.start = QDateTime();
        QTest::newRow("invalid date") << QList<DataSession>{invalid, invalid} + with(1) << normal << 0;
        QTest::newRow("neighbours on one pixel") << with(1) << QSize(81, 240) << 0;
        QTest::newRow("1x1") << with(1) << QSize(1, 1) << 0;
        QTest::newRow("0x0") << with(1) << QSize(0, 0) << 0;
    }
    void hostileFiguresStayInside()
    {
        QFETCH(QList<DataSession>, sessions);
        QFETCH(QSize, size);
        QFETCH(int, replaced);
        Clock::pin(local("2026-06-10T12:00:00"));
        QWidget parent;
        parent.resize(600, 300);
        UsageGraph graph(&parent);
        graph.setShowMode(UsageGraph::Week);
        graph.resize(size);
        parent.show();
        if (replaced > 0)
            QtWarningsFail::expect(
                QtWarningMsg,
                QStringLiteral("UsageGraph: traffic figures that are no sane number count as 0: %1").arg(replaced));
        graph.setData(sessions, sessions);
        graph.grab();
        for (const QString& text : texts(graph.xAxisLabels()) + texts(graph.yAxisLabels()))
            QVERIFY2(!text.contains("nan") && !text.contains("inf"), qPrintable(text));
        const QRect inside(0, 0, std::max(size.width(), 1), std::max(size.height(), 1));
        for (const auto& point : graph.currentDevicePoints() + graph.allDevicesPoints())
            QVERIFY2(inside.contains(point.pixelPos), qPrintable(QStringLiteral("%1,%2").arg(point.pixelPos.x()).arg(point.pixelPos.y())));
        QCOMPARE(graph.currentDevicePoints().size(), 7);
    }

    void hiddenGraphPaintsNewDataNextTime()
    {
        Clock::pin(local("2026-06-10T12:00:00"));
        const QList<DataSession> before{endingAt("2026-06-05T10:00:00", 9)};
        const QList<DataSession> after{endingAt("2026-06-09T10:00:00", 2), endingAt("2026-06-10T10:00:00", 4)};
        UsageGraph expected;
        showWeek(expected, after, after);

        UsageGraph graph;
        showWeek(graph, before, before);
        const QImage old = graph.grab().toImage();
        graph.hide();
        graph.setData(after, after);
        const QImage fresh = graph.grab().toImage();
        QVERIFY(fresh != old);
        QCOMPARE(fresh, expected.grab().toImage());
    }

    void identicalSeriesShowOrangeAboveGreen()
    {
        Clock::pin(local("2026-06-10T12:00:00"));
        QList<DataSession> flat;
        for (int day = 3; day <= 10; ++day)
            flat << endingAt(QStringLiteral("2026-06-%1T10:00:00").arg(day, 2, 10, QLatin1Char('0')), 3);
        UsageGraph graph;
        showWeek(graph, flat, flat);
        const QImage image = graph.grab().toImage();
        const QPoint a = graph.currentDevicePoints().at(2).pixelPos;
        const QPoint b = graph.currentDevicePoints().at(3).pixelPos;
        QCOMPARE(a.y(), b.y());
        const int x = (a.x() + b.x()) / 2;
        // A 2 px line on row y covers rows y - 1 and y; the orange one is 2 px higher.
        QCOMPARE(image.pixelColor(x, a.y() - 1), CurrentGreen);
        QCOMPARE(image.pixelColor(x, a.y()), CurrentGreen);
        QCOMPARE(image.pixelColor(x, a.y() - 3), AllOrange);
        QCOMPARE(image.pixelColor(x, a.y() - 2), AllOrange);
    }

    void noSessionsDrawOnlyTheFrame()
    {
        UsageGraph graph;
        graph.resize(520, 240);
        graph.show();
        const QImage image = graph.grab().toImage();
        QCOMPARE(pixelsOf(image, CurrentGreen), 0);
        QCOMPARE(pixelsOf(image, AllOrange), 0);
        QCOMPARE(image.pixelColor(200, 0), GridGrey);
        QCOMPARE(image.pixelColor(graph.margins().left, 100), GridGrey);
    }

    void hoverLabels_data()
    {
        QTest::addColumn<QList<double>>("current");
        QTest::addColumn<QList<double>>("all");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("placement");
        // 5 MB is the axis maximum: those points are on the top line.
        const QList<double> low{1, 1, 1, 1, 1, 1, 5, 1};
        const QList<double> none{0, 0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("above") << low << none << 3 << "above";
        QTest::newRow("beside at the top") << low << none << 6 << "beside";
        QTest::newRow("first point, right of it") << low << none << 1 << "right";
        const QList<double> peak{1, 1, 1, 1, 5, 1, 1, 1};
        QTest::newRow("last point, left of it") << peak << none << 7 << "left";
        QTest::newRow("stacked above the other") << low << low << 3 << "stacked";
        QTest::newRow("stacked beside the other at the top") << peak << peak << 4 << "side by side";
    }
    void hoverLabels()
    {
        QFETCH(QList<double>, current);
        QFETCH(QList<double>, all);
        QFETCH(int, index);
        QFETCH(QString, placement);
        Clock::pin(local("2026-06-10T12:00:00"));
        QList<DataSession> currentSessions;
        QList<DataSession> allSessions;
        for (int day = 0; day < 8; ++day) {
            const QString end = QStringLiteral("2026-06-%1T10:00:00").arg(day + 3, 2, 10, QLatin1Char('0'));
            currentSessions << endingAt(end, current[day]);
            allSessions << endingAt(end, all[day]);
        }
        UsageGraph graph;
        showWeek(graph, currentSessions, allSessions);
        graph.grab();
        const QPoint point = graph.currentDevicePoints().at(index - 1).pixelPos;
        hoverAt(graph, point + QPoint(3, -2));
        auto* mine = graph.findChild<QLabel*>("lbHoverThisDevice");
        auto* others = graph.findChild<QLabel*>("lbHoverAllDevices");
        QVERIFY(!mine->isHidden());
        QCOMPARE(mine->text(), QString::number(current[index]) + " MB");
        const QRect c = mine->geometry();
        // Beside a point on the top line the label may reach above the widget, never past its sides.
        QVERIFY(c.left() >= 0 && c.right() < graph.width());
        if (placement == "above") {
            QVERIFY(c.bottom() < point.y());
            QVERIFY(qAbs(c.center().x() - point.x()) <= 1);
        } else if (placement == "beside") {
            QVERIFY(qAbs(c.center().y() - point.y()) <= 1);
            QVERIFY(c.left() > point.x());
        } else if (placement == "right") {
            QVERIFY(c.left() > point.x());
            QVERIFY(c.bottom() < point.y());
        } else if (placement == "left") {
            QVERIFY(c.right() < point.x());
        } else {
            QVERIFY(!others->isHidden());
            const QRect a = others->geometry();
            QVERIFY(a.left() >= 0 && a.right() < graph.width());
            QVERIFY(!a.intersects(c));
            if (placement == "stacked") {
                QVERIFY(a.bottom() < c.top());
                QVERIFY(qAbs(a.center().x() - c.center().x()) <= 1);
            } else {
                QVERIFY(qAbs(a.center().y() - c.center().y()) <= 1);
            }
        }
        // Leaving the widget takes both labels away.
        QEvent leave(QEvent::HoverLeave);
        QCoreApplication::sendEvent(&graph, &leave);
        QVERIFY(mine->isHidden());
        QVERIFY(others->isHidden());
    }

    void trafficNumberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("2.50") << 2.5 << "2.5";
        QTest::newRow("3.00") << 3.0 << "3";
        QTest::newRow("0.25") << 0.25 << "0.25";
        QTest::newRow("120") << 120.0 << "120";
        QTest::newRow("rounded") << 1.006 << "1.01";
    }
    void trafficNumberText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(UsageGraph::trafficNumberText(value), text);
    }

    void minimumSizeKeepsItsShape()
    {
        UsageGraph graph;
        graph.setMinimumSize(520, 240);
        graph.updateMinSize(650);
        QCOMPARE(graph.minimumSize(), QSize(650, 300));
        UsageGraph bare;
        bare.setMinimumSize(0, 50);
        bare.updateMinSize(300);
        QCOMPARE(bare.minimumSize(), QSize(300, 50));
    }
};

QTEST_MAIN(tst_UsageGraph)
#include "tst_UsageGraph.moc"
