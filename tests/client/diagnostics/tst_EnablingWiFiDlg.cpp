#include <EnablingWiFiDlg.h>

#include <QLabel>
#include <QtTest>

class tst_EnablingWiFiDlg : public QObject
{
    Q_OBJECT

private slots:
    void dotsCycle();
    void outcomeThenClose();
};

// The counter belongs to the class, so this runs first, from program start.
void tst_EnablingWiFiDlg::dotsCycle()
{
    EnablingWiFiDlg first;
    auto* label = first.findChild<QLabel*>("dotsLabel");
    const QString text = QStringLiteral("Enabling WiFi adapter...");
    const QStringList expected = {text, text + ".", text + "..", text + "...", text};
    for (const QString& shown : expected) {
        first.updateLabel();
        QCOMPARE(label->text(), shown);
    }
    // The count is the class's: another notice goes on where this one stopped.
    EnablingWiFiDlg second;
    second.updateLabel();
    QCOMPARE(second.findChild<QLabel*>("dotsLabel")->text(), text);
    second.updateLabel();
    QCOMPARE(second.findChild<QLabel*>("dotsLabel")->text(), text + ".");
    QVERIFY(first.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!first.mask().isEmpty());
}

void tst_EnablingWiFiDlg::outcomeThenClose()
{
    EnablingWiFiDlg dlg;
    dlg.display();
    QVERIFY(dlg.isVisible());
    dlg.enabled(false);
    auto* label = dlg.findChild<QLabel*>("dotsLabel");
    QCOMPARE(label->text(), QStringLiteral("Unable to activate Wi-Fi adapter"));
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.isVisible(), 20000);
    QCOMPARE(label->text(), QStringLiteral("Unable to activate Wi-Fi adapter"));
}

QTEST_MAIN(tst_EnablingWiFiDlg)
#include "tst_EnablingWiFiDlg.moc"
