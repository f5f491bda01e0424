#include "QtWarningsFail.h"
#include "StandInTrayMenu.h"
#include "UiTestKit.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& pos)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class tst_QOZMTrayMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void popupPosition_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QSize>("menu");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("under the icon") << QRect(100, 0, 22, 22) << QSize(150, 200) << QPoint(100, 22);
        QTest::newRow("right-aligned near the right edge")
            << QRect(1200, 0, 22, 22) << QSize(150, 200) << QPoint(1071, 22);
        QTest::newRow("just fits left-aligned") << QRect(1128, 0, 22, 22) << QSize(150, 200) << QPoint(1128, 22);
        QTest::newRow("touches the edge") << QRect(1129, 0, 22, 22) << QSize(150, 200) << QPoint(1000, 22);
        QTest::newRow("wider than room on either side")
            << QRect(100, 0, 22, 22) << QSize(1250, 200) << QPoint(0, 22);
        QTest::newRow("above an icon in a bottom panel")
            << QRect(600, 1002, 22, 22) << QSize(150, 200) << QPoint(600, 800);
        QTest::newRow("at the cursor") << QRect(500, 400, 0, 0) << QSize(150, 200) << QPoint(500, 400);
        QTest::newRow("at the cursor in the corner")
            << QRect(1270, 990, 0, 0) << QSize(150, 200) << QPoint(1119, 790);
        QTest::newRow("taller than the screen") << QRect(100, 0, 22, 22) << QSize(150, 1100) << QPoint(100, 0);
    }
    void popupPosition()
    {
        QFETCH(QRect, anchor);
        QFETCH(QSize, menu);
        QFETCH(QPoint, expected);
        QCOMPARE(QOZMTrayMenu::popupPosition(anchor, menu, QRect(0, 0, 1280, 1000)), expected);
    }

    void popsUpUnderTheIcon()
    {
        StandInTrayMenu menu(QRect(300, 0, 22, 22));
        menu.addClientActions();
        menu.winId();
        QSignalSpy showed(&menu, &QOZMTrayMenu::showed);
        menu.popupAtSystemTrayIcon();
        QVERIFY(menu.isVisible());
        QCOMPARE(menu.pos(), QPoint(300, 22));
        QCOMPARE(showed.count(), 1);
    }

    void withoutAPlaceOpensAtTheCursor_data()
    {
        QTest::addColumn<bool>("iconSet");
        QTest::newRow("host does not tell") << true;
        QTest::newRow("no icon") << false;
    }
    void withoutAPlaceOpensAtTheCursor()
    {
        QFETCH(bool, iconSet);
        std::unique_ptr<StandInTrayMenu> menu(iconSet ? new StandInTrayMenu(QRect()) : StandInTrayMenu::withoutIcon());
        menu->addClientActions();
        menu->winId();
        QCursor::setPos(240, 180);
        if (!iconSet)
            QtWarningsFail::expect(QtCriticalMsg, "QSystemTrayIcon does not set for QOZMTrayMenu");
        menu->popupAtSystemTrayIcon();
        QVERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), QCursor::pos());
    }

    void pressNeedsTwoMoves_data()
    {
        QTest::addColumn<int>("moves");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("opening click") << 0 << false;
        QTest::newRow("one move") << 1 << false;
        QTest::newRow("one move, pressed twice") << -1 << true;
        QTest::newRow("two moves") << 2 << true;
    }
    void pressNeedsTwoMoves()
    {
        QFETCH(int, moves);
        QFETCH(bool, chosen);
        StandInTrayMenu menu(QRect(300, 0, 22, 22));
        menu.addClientActions();
        QAction* status = menu.findChild<QAction*>("Status");
        QSignalSpy triggered(status, &QAction::triggered);
        menu.popupAtSystemTrayIcon();
        const QPoint onStatus = menu.actionGeometry(status).center();
        // Qt chooses on release: the release of a press that was ignored must not choose either.
        for (int i = 0; i < qAbs(moves); ++i)
            sendMouse(&menu, QEvent::MouseMove, onStatus + QPoint(i, 0));
        sendMouse(&menu, QEvent::MouseButtonPress, onStatus);
        sendMouse(&menu, QEvent::MouseButtonRelease, onStatus);
        if (moves < 0) {
            sendMouse(&menu, QEvent::MouseMove, onStatus);
            sendMouse(&menu, QEvent::MouseButtonPress, onStatus);
            sendMouse(&menu, QEvent::MouseButtonRelease, onStatus);
        }
        QCOMPARE(triggered.count(), chosen ? 1 : 0);
        QCOMPARE(menu.isVisible(), !chosen);
    }

    void closeIfClickOut_data()
    {
        QTest::addColumn<QPoint>("click");
        QTest::addColumn<bool>("stays");
        QTest::newRow("in the menu") << QPoint(310, 40) << true;
        QTest::newRow("on the icon") << QPoint(310, 10) << true;
        QTest::newRow("elsewhere") << QPoint(700, 500) << false;
        QTest::newRow("just right of the icon") << QPoint(322, 10) << false;
    }
    void closeIfClickOut()
    {
        QFETCH(QPoint, click);
        QFETCH(bool, stays);
        StandInTrayMenu menu(QRect(300, 0, 22, 22));
        menu.addClientActions();
        QSignalSpy hidden(&menu, &QOZMTrayMenu::hidden);
        menu.popupAtSystemTrayIcon();
        menu.closeIfClickOut(click);
        QCOMPARE(menu.isVisible(), stays);
        QCOMPARE(hidden.count(), stays ? 0 : 1);
    }

    void pressInAnotherWindowCloses()
    {
        QWidget other;
        other.setGeometry(600, 400, 100, 100);
        other.show();
        StandInTrayMenu menu(QRect(300, 0, 22, 22));
        menu.addClientActions();
        menu.popupAtSystemTrayIcon();
        sendMouse(&other, QEvent::MouseButtonPress, QPoint(10, 10));
        QVERIFY(!menu.isVisible());
        // Hidden, the menu no longer looks at presses.
        menu.move(600, 400);
        sendMouse(&other, QEvent::MouseButtonPress, QPoint(10, 10));
        QVERIFY(!menu.isVisible());
    }

    void insertActionIfEnabled()
    {
        QOZMTrayMenu menu;
        QAction* quit = menu.addAction("Quit");
        QAction enabled("Status");
        QAction disabled("Usage");
        disabled.setEnabled(false);
        menu.insertActionIfEnabled(quit, &disabled);
        menu.insertActionIfEnabled(quit, &enabled);
        QCOMPARE(menu.actions(), (QList<QAction*>{&enabled, quit}));
    }
};

QTEST_MAIN(tst_QOZMTrayMenu)
#include "tst_QOZMTrayMenu.moc"
