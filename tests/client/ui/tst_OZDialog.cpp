#include "OZDialog.h"
#include "UiTestKit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {

// A window that neither close() nor hide() gets rid of.
template<class Base>
class Stubborn : public Base
{
public:
    void setVisible(bool visible) override
    {
        if (visible)
            Base::setVisible(true);
    }

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

} // namespace

class tst_OZDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UiTestKit::prepare();
        QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 800, 600));
    }
    void cleanup()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            widget->hide();
    }

    void moveToCenter_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("even") << QSize(300, 200) << QPoint(250, 200);
        QTest::newRow("odd") << QSize(301, 201) << QPoint(249, 199);
        QTest::newRow("larger than the screen") << QSize(1001, 700) << QPoint(-101, -50);
    }
    void moveToCenter()
    {
        QFETCH(QSize, size);
        QFETCH(QPoint, expected);
        OZDialog dialog;
        dialog.resize(size);
        dialog.moveToCenter();
        QCOMPARE(dialog.pos(), expected);
        QCOMPARE(dialog.metaObject()->className(), "OZDialog");
    }

    void positionMemory_data()
    {
        QTest::addColumn<QPoint>("hiddenAt");
        QTest::addColumn<bool>("explicitlyMoved");
        QTest::addColumn<bool>("backThere");
        QTest::newRow("remembered") << QPoint(300, 200) << false << true;
        QTest::newRow("moved since") << QPoint(300, 200) << true << false;
        QTest::newRow("nothing remembered") << QPoint(0, 0) << false << false;
    }
    void positionMemory()
    {
        QFETCH(QPoint, hiddenAt);
        QFETCH(bool, explicitlyMoved);
        QFETCH(bool, backThere);
        OZDialog dialog;
        dialog.resize(200, 100);
        dialog.show();
        dialog.move(hiddenAt);
        dialog.hide();
        dialog.move(40, 30);
        dialog.setAttribute(Qt::WA_Moved, explicitlyMoved);
        dialog.show();
        QCOMPARE(dialog.pos() == hiddenAt, backThere);
        if (explicitlyMoved)
            QCOMPARE(dialog.pos(), QPoint(40, 30));
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("swallowed");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier) << true;
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
        QTest::newRow("Shift+Escape") << int(Qt::Key_Escape) << int(Qt::ShiftModifier) << true;
        QTest::newRow("letter") << int(Qt::Key_A) << int(Qt::NoModifier) << false;
        QTest::newRow("function key") << int(Qt::Key_F5) << int(Qt::NoModifier) << false;
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, swallowed);
        OZDialog dialog;
        auto* button = new QPushButton("OK", &dialog);
        button->setDefault(true);
        QSignalSpy clicked(button, &QPushButton::clicked);
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.show();

        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
        QApplication::sendEvent(&dialog, &press);
        // QDialog leaves keys it has no use for unaccepted, for the parent to see.
        QCOMPARE(press.isAccepted(), swallowed);
        QVERIFY(dialog.isVisible());
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(finished.count(), 0);
    }

    void keptAboveTheBottom_data()
    {
        QTest::addColumn<bool>("withParent");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QSize>("grownTo");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("passes the bottom") << false << QPoint(100, 500) << QSize(300, 300) << QPoint(100, 299);
        QTest::newRow("fits") << false << QPoint(100, 50) << QSize(300, 300) << QPoint(100, 50);
        QTest::newRow("taller than the screen") << false << QPoint(100, 500) << QSize(300, 700) << QPoint(100, 0);
        QTest::newRow("wider than the screen") << false << QPoint(10, 500) << QSize(800, 300) << QPoint(10, 500);
        QTest::newRow("has a parent") << true << QPoint(100, 500) << QSize(300, 300) << QPoint(100, 500);
    }
    void keptAboveTheBottom()
    {
        QFETCH(bool, withParent);
        QFETCH(QPoint, at);
        QFETCH(QSize, grownTo);
        QFETCH(QPoint, expected);
        QWidget parent;
        OZDialog dialog(withParent ? &parent : nullptr);
        // Frameless, so that the frame is the window and the rows read plainly.
        dialog.setWindowFlag(Qt::FramelessWindowHint);
        dialog.resize(200, 50);
        dialog.show();
        dialog.move(at);
        dialog.resize(grownTo);
        QCOMPARE(dialog.pos(), expected);
        if (expected.y() != at.y() && grownTo.height() < 600)
            QVERIFY(dialog.frameGeometry().bottom() < 599);
    }

    void displayClearsTheWay_data()
    {
        QTest::addColumn<bool>("withParent");
        QTest::addColumn<bool>("otherDialogStays");
        QTest::newRow("top-level") << false << false;
        QTest::newRow("with a parent") << true << true;
    }
    void displayClearsTheWay()
    {
        QFETCH(bool, withParent);
        QFETCH(bool, otherDialogStays);
        QWidget owner;
        QDialog other;
        other.show();
        // The window an XEmbed tray makes for the tray icon is a plain top-level widget.
        QWidget trayIconWindow;
        trayIconWindow.show();
        QMenu menu;
        menu.addAction("Status");
        menu.popup(QPoint(10, 10));
        QCOMPARE(QApplication::activePopupWidget(), &menu);

        OZDialog dialog(withParent ? &owner : nullptr);
        dialog.display();
        QVERIFY(dialog.isVisible());
        QVERIFY(!menu.isVisible());
        QCOMPARE(other.isVisible(), otherDialogStays);
        QVERIFY(trayIconWindow.isVisible());
    }

    void displayGivesUpOnAStubbornWindow_data()
    {
        QTest::addColumn<bool>("popup");
        QTest::newRow("popup") << true;
        QTest::newRow("modal") << false;
    }
    void displayGivesUpOnAStubbornWindow()
    {
        QFETCH(bool, popup);
        Stubborn<QMenu> menu;
        Stubborn<QDialog> modal;
        if (popup) {
            menu.addAction("Quit");
            menu.popup(QPoint(10, 10));
            QCOMPARE(QApplication::activePopupWidget(), &menu);
        } else {
            modal.setWindowModality(Qt::ApplicationModal);
            modal.show();
            QCOMPARE(QApplication::activeModalWidget(), &modal);
        }
        QTest::ignoreMessage(QtDebugMsg, "Cannot close or hide popup window.");
        OZDialog dialog(&modal);
        dialog.display();
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(tst_OZDialog)
#include "tst_OZDialog.moc"
