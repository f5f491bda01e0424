// The foundation's windows as a person sees them, grabbed from a private X server.
#include "HeaderWindow.h"
#include "QOZMHamburgerMenuSignalHandler.h"
#include "StandInTrayMenu.h"
#include "UiTestKit.h"
#include "WindowShot.h"

#include <QTest>

class tst_UiFoundationWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void panelCoversTheWindow()
    {
        HeaderWindow window("Status");
        window.move(200, 150);
        window.show();
        const auto relay = QOZMHamburgerMenuSignalHandler::inst();
        relay->enableAllMenus();
        relay->setInitializationDependentMenusEnabled(true);
        relay->setAccountMenuEnabled(true);
        relay->onHmbrgrMenuActStateChngd(Activated);

        const WindowShot closed(&window);
        QCOMPARE(closed.check({"lbTitle", "lbBody", "lbHmbrgrMenuText", "lbHmbrgrMenu"}), QString());
        QVERIFY(!closed.save().isEmpty());

        window.header()->showMenu();
        const WindowShot open(&window);
        QCOMPARE(open.rectOf("QOZMHamburgerMenu"), open.image().rect());
        QCOMPARE(open.check({"btnClose_Text", "lbClose_Icon", "btnActivateHmbrgr", "iconStatusHmenu", "btnStatus",
                             "btnUsage", "btnSettings", "btnAccount", "btnHelp", "btnAbout", "btnQuit"}),
                 QString());
        QVERIFY(!open.save().isEmpty());
        // The window shows through the clear part; the commands sit on white at the right.
        const QRect container = open.rectOf("menu_container");
        QCOMPARE(container.right(), open.image().width() - 1);
        QCOMPARE(container.height(), open.image().height());
        QCOMPARE(open.colourAt(container.bottomRight() - QPoint(2, 2)), QColor(Qt::white));
        QCOMPARE(open.colourAt(QPoint(2, open.image().height() - 3)), closed.colourAt(QPoint(2, open.image().height() - 3)));
        QVERIFY(open.rectOf("btnQuit").bottom() < container.bottom());
    }

    void trayMenuUnderTheIcon()
    {
        const QRect icon(1000, 0, 24, 24);
        StandInTrayMenu menu(icon);
        menu.addClientActions();
        menu.popupAtSystemTrayIcon();
        const WindowShot shot(&menu);
        QCOMPARE(shot.check(), QString());
        QCOMPARE(menu.frameGeometry().top(), icon.bottom() + 1);
        QCOMPARE(menu.frameGeometry().left(), icon.left());
        QVERIFY(menu.frameGeometry().right() < 1280);
        QVERIFY(!shot.save().isEmpty());
    }
};

QTEST_MAIN(tst_UiFoundationWindows)
#include "tst_UiFoundationWindows.moc"
