#include "RoundedCorners.h"
#include "UiTestKit.h"

#include <QRegion>
#include <QTest>

namespace {

// The pixels a window shaped by the mask would show.
QRegion shown(const QPixmap& mask)
{
    return QRegion(QBitmap(mask));
}

int shownCount(const QRegion& region, const QRect& rect)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            count += region.contains(QPoint(x, y));
    return count;
}

} // namespace

class tst_RoundedCorners : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void radiusFivePattern()
    {
        const QRect rect(0, 0, 10, 10);
        const QRegion region = shown(roundedCornersMask(rect, 5));
        QCOMPARE(shownCount(region, rect), 100 - 4 * 8);
        const QList<QPoint> cut{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {0, 2}, {0, 3}};
        for (const QPoint& p : cut) {
            for (const QPoint& corner : {p, QPoint(9 - p.x(), p.y()), QPoint(p.x(), 9 - p.y()),
                                         QPoint(9 - p.x(), 9 - p.y())})
                QVERIFY2(!region.contains(corner), qPrintable(QString("%1,%2").arg(corner.x()).arg(corner.y())));
        }
        for (const QPoint& kept : {QPoint(4, 0), QPoint(2, 1), QPoint(1, 2), QPoint(1, 3), QPoint(0, 4), QPoint(5, 5)})
            QVERIFY(region.contains(kept));
    }

    void otherRadiiAreDrawn_data()
    {
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("drawnRadius");
        QTest::newRow("4 draws 2") << 4 << 2;
        QTest::newRow("7 draws 5") << 7 << 5;
        QTest::newRow("12 draws 10") << 12 << 10;
    }
    void otherRadiiAreDrawn()
    {
        QFETCH(int, radius);
        QFETCH(int, drawnRadius);
        const QRect rect(0, 0, 40, 30);
        QTest::ignoreMessage(QtDebugMsg,
            qPrintable(QString("roundedCornersMask(): no pattern for radius %1. Use roundedRect().").arg(radius)));
        const QPixmap mask = roundedCornersMask(rect, radius);
        QCOMPARE(mask.size(), rect.size());
        const QRegion region = shown(mask);
        QCOMPARE(region, QRegion(roundedRect(rect, drawnRadius)));
        // Rounded corners, straight edges, a full middle.
        for (const QPoint& corner : {QPoint(0, 0), QPoint(39, 0), QPoint(0, 29), QPoint(39, 29)})
            QVERIFY(!region.contains(corner));
        for (const QPoint& edge : {QPoint(20, 0), QPoint(0, 15), QPoint(39, 15), QPoint(20, 29), QPoint(20, 15)})
            QVERIFY(region.contains(edge));
    }

    // Two pixels less than nothing to round would leave the drawing without a circle.
    void tinyRadiusGivesTheFullMask_data()
    {
        QTest::addColumn<int>("radius");
        QTest::newRow("2") << 2;
        QTest::newRow("1") << 1;
        QTest::newRow("0") << 0;
        QTest::newRow("negative") << -4;
    }
    void tinyRadiusGivesTheFullMask()
    {
        QFETCH(int, radius);
        const QRect rect(0, 0, 12, 8);
        QTest::ignoreMessage(QtDebugMsg,
            qPrintable(QString("roundedCornersMask(): no pattern for radius %1. Use roundedRect().").arg(radius)));
        QCOMPARE(shown(roundedCornersMask(rect, radius)), QRegion(rect));
    }
};

QTEST_MAIN(tst_RoundedCorners)
#include "tst_RoundedCorners.moc"
