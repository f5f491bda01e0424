#include "HelpIcon.h"
#include "ServiceWidget.h"
#include "UiTestKit.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

namespace {

QRadioButton* radio(const ServiceWidget& row, const char* name)
{
    return row.findChild<QRadioButton*>(name);
}

QPushButton* suspend(const ServiceWidget& row)
{
    return row.findChild<QPushButton*>("offForSession");
}

// The colour in the middle of a radio button's indicator, as drawn.
QColor indicatorCentre(QRadioButton* button)
{
    const QImage image = button->grab().toImage();
    return image.pixelColor(8, image.height() / 2);
}

} // namespace

class tst_ServiceWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void builtWithItsState_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("state");
        QTest::addColumn<bool>("suspendShown");
        QTest::addColumn<bool>("suspendEnabled");
        QTest::newRow("suspendable, on") << "100000" << true << true << true;
        QTest::newRow("suspendable, off") << "100000" << false << true << false;
        QTest::newRow("other, on") << "7" << true << false << true;
        QTest::newRow("id only close to it") << "1000000" << true << false << true;
        QTest::newRow("other, off") << "10" << false << false << false;
    }
    void builtWithItsState()
    {
        QFETCH(QString, id);
        QFETCH(bool, state);
        QWidget window;
        auto* row = new ServiceWidget(id, "Ad blocking", "Blocks ads.", state);
        row->setParent(&window);
        window.show();
        QCOMPARE(row->id(), id);
        QCOMPARE(row->state(), state);
        QCOMPARE(radio(*row, "rbOff")->isChecked(), !state);
        QTEST(suspend(*row)->isVisible(), "suspendShown");
        QTEST(suspend(*row)->isEnabled(), "suspendEnabled");
        QCOMPARE(row->findChild<QLabel*>("lbName")->text(), QString("Ad blocking"));
        const auto* help = row->findChild<HelpIcon*>("helpIcon");
        QCOMPARE(help->helpCaption(), QString("Ad blocking"));
        QCOMPARE(help->helpText(), QString("Blocks ads."));
        QVERIFY(!row->isChanged());
        QVERIFY(!row->isChangedForSession());
        if (!state) {
            radio(*row, "rbOn")->click();
            QCOMPARE(suspend(*row)->isEnabled(), false);
            row->setState(true);
            QCOMPARE(suspend(*row)->isEnabled(), true);
        }
    }

    void suspendForTheSessionThenShowAgain()
    {
        QWidget window;
        auto* row = new ServiceWidget("100000", "Encryption", "", true);
        row->setParent(&window);
        window.show();
        QSignalSpy changed(row, &ServiceWidget::stateChanged);
        QTest::mouseClick(suspend(*row), Qt::LeftButton);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
        QCOMPARE(changed.at(1).at(0).toBool(), false);
        QVERIFY(radio(*row, "rbOff")->isChecked());
        QVERIFY(!suspend(*row)->isEnabled());
        QVERIFY(row->isChanged());
        QVERIFY(row->isChangedForSession());

        window.hide();
        window.show();
        QVERIFY(row->state());
        QVERIFY(suspend(*row)->isEnabled());
        QVERIFY(!row->isChanged());
        QVERIFY(!row->isChangedForSession());
    }

    void settingTheShownStateMarksOnly()
    {
        ServiceWidget row("7", "Ad blocking", "", true);
        QSignalSpy changed(&row, &ServiceWidget::stateChanged);
        row.setState(true);
        QVERIFY(row.isChanged());
        QCOMPARE(changed.size(), 0);

        row.reset(false);
        QVERIFY(!row.state());
        QVERIFY(!row.isChanged());
        row.setState(true);
        row.reset();
        QVERIFY(!row.state());
    }

    void disabledIndicatorsAtHalfOpacity()
    {
        QWidget window;
        window.setStyleSheet("background: white;");
        auto* row = new ServiceWidget("7", "Ad blocking", "", true);
        row->setParent(&window);
        window.show();
        QRadioButton* on = radio(*row, "rbOn");
        const QColor bright = indicatorCentre(on);
        QCOMPARE(bright, QColor("#44c3e6"));
        row->setEnabled(false);
        const QColor faded = indicatorCentre(on);
        // Half of the mark over the white behind it.
        QVERIFY2(qAbs(faded.red() - (0x44 + 0xff) / 2) <= 2 && qAbs(faded.green() - (0xc3 + 0xff) / 2) <= 2
                     && qAbs(faded.blue() - (0xe6 + 0xff) / 2) <= 2,
                 qPrintable(faded.name()));
    }

    void oneStyleWhileRowsLive()
    {
        QWeakPointer<ServiceWidgetStyle> seen;
        {
            ServiceWidget first("1", "A", "", true);
            ServiceWidget second("2", "B", "", true);
            seen = ServiceWidgetStyle::shared();
            QCOMPARE(ServiceWidgetStyle::shared().data(), seen.toStrongRef().data());
            QCOMPARE(seen.toStrongRef()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth), 16);
            QCOMPARE(seen.toStrongRef()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight), 16);
            QCOMPARE(seen.toStrongRef()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing), 6);
        }
        QVERIFY(seen.isNull());
    }
};

QTEST_MAIN(tst_ServiceWidget)
#include "tst_ServiceWidget.moc"
