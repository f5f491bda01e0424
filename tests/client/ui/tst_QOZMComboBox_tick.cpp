#include "QOZMComboBox_tick.h"
#include "UiTestKit.h"

#include <QEnterEvent>
#include <QTest>

namespace {

QPixmap filled(const QColor& colour)
{
    QPixmap pixmap(8, 8);
    pixmap.fill(colour);
    return pixmap;
}

// Which mark an item shows: "tick", "blank" or "" for none.
QString markOf(const QOZMComboBox_tick& box, int index)
{
    const QIcon icon = box.itemIcon(index);
    if (icon.isNull())
        return {};
    const QColor colour = icon.pixmap(8, 8, QIcon::Active).toImage().pixelColor(4, 4);
    return colour.red() > colour.blue() ? "tick" : "blank";
}

} // namespace

class tst_QOZMComboBox_tick : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void setTickIndex_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QStringList>("marks");
        QTest::addColumn<QVariant>("ticked");
        QTest::newRow("moves") << 0 << 2 << QStringList{"blank", "", "tick"} << QVariant("c");
        QTest::newRow("past the end clears it") << 1 << 3 << QStringList{"", "blank", ""} << QVariant();
        QTest::newRow("negative clears it") << 1 << -1 << QStringList{"", "blank", ""} << QVariant();
    }
    void setTickIndex()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QStringList, marks);
        QFETCH(QVariant, ticked);
        QOZMComboBox_tick box;
        box.setTickIcon(filled(Qt::red));
        box.setBlankIcon(filled(Qt::blue));
        box.addItem("A", "a");
        box.addItem("B", "b");
        box.addItem("C", "c");
        box.setTickIndex(first);
        QCOMPARE(markOf(box, first), QString("tick"));
        box.setTickIndex(second);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(markOf(box, i), marks[i]);
        QCOMPARE(box.tickedData(), ticked);
        QCOMPARE(box.currentIndex(), 0);
    }

    void noIconNoMark()
    {
        QOZMComboBox_tick box;
        box.addItem("A");
        box.setTickIndex(0);
        QVERIFY(box.itemIcon(0).isNull());
        QVERIFY(box.getTickIcon().isNull());
        box.setTickIcon(filled(Qt::red));
        QCOMPARE(box.getTickIcon().size(), QSize(8, 8));
    }

    void paddingOnHover_data()
    {
        QTest::addColumn<int>("items");
        QTest::addColumn<QString>("styleSheet");
        QTest::newRow("3 items") << 3 << "QComboBox QAbstractItemView { padding: 8px 8px 8px 4px; }";
        QTest::newRow("10 items") << 10 << "QComboBox QAbstractItemView { padding: 8px 8px 8px 4px; }";
        QTest::newRow("12 items") << 12 << "QComboBox QAbstractItemView { padding: 0px 0px 0px 4px; }";
    }
    void paddingOnHover()
    {
        QFETCH(int, items);
        QFETCH(QString, styleSheet);
        QOZMComboBox_tick box;
        box.setMaxVisibleItems(10);
        for (int i = 0; i < items; ++i)
            box.addItem(QString::number(i));
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(&box, &enter);
        QCOMPARE(box.styleSheet(), styleSheet);
    }
};

QTEST_MAIN(tst_QOZMComboBox_tick)
#include "tst_QOZMComboBox_tick.moc"
