// The usage window as a person sees it: three months of sessions on both
// lines, and a traffic label once the pointer rests on a point.
#include "ClientAuthData.h"
#include "Clock.h"
#include "CommandBench.h"
#include "UiTestKit.h"
#include "Usage.h"
#include "UsageCommand.h"
#include "UsageGraph.h"
#include "UsageReply.h"
#include "WindowShot.h"

#include <QCursor>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class tst_UsageWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UsageReply::useBerlinTime();
        UiTestKit::prepare();
    }

    void threeMonthsWithHoverLabel()
    {
        CommandBench bench;
        ClientAuthData account;
        CommandBench::fillAccount(account);
        Clock::pin(QDateTime(QDate(2026, 6, 20), QTime(12, 0)));
        QList<UsageReply::Row> current;
        QList<UsageReply::Row> all;
        for (int i = 0; i < 12; ++i) {
            const QString start = QDate(2026, 4, 3).addDays(i * 7).toString(Qt::ISODate) + "T10:00:00";
            current << UsageReply::Row{start, "5400", QString::number(20 + i * 5)};
            all << UsageReply::Row{start, "5400", QString::number(60 + i * 8)};
        }
        bench.reply("GET", "/mobile/licMobile", "usage", UsageReply::children(current, all));

        Usage usage;
        usage.init(QSharedPointer<HttpAccess>::create(bench.service->url()), QSharedPointer<ClientAuthData>(&account, [](ClientAuthData*) {}));
        usage.findChild<QPushButton*>("btnDays90")->click();
        usage.setTraffic(1240000, 0);
        usage.display();
        QSignalSpy done(usage.findChild<UsageCommand*>(), &HttpCommand::completed);
        QVERIFY(done.wait(10000));
        QVERIFY(QTest::qWaitForWindowExposed(&usage));

        auto* graph = usage.findChild<UsageGraph*>("wGraph");
        QTRY_COMPARE(graph->currentDevicePoints().size(), 3);
        QTRY_VERIFY(graph->currentDevicePoints().at(1).pixelPos != QPoint());
        const QPoint point = graph->currentDevicePoints().at(1).pixelPos;
        QCursor::setPos(graph->mapToGlobal(point + QPoint(2, 2)));
        auto* label = graph->findChild<QLabel*>("lbHoverThisDevice");
        QTRY_VERIFY(label->isVisible());
        // May: the five sessions of 40 to 60 MB.
        QCOMPARE(label->text(), QString("250 MB"));

        const WindowShot shot(&usage);
        QCOMPARE(shot.check({"lbLogoImage", "wGraph", "twSessions", "lbHoverThisDevice", "btnDays90",
                             "lbAmountEncrypted", "lbUsageGraphInfo", "btnCloseUsage"}),
                 QString());
        QVERIFY(!shot.save().isEmpty());
        // Both lines are on the screen.
        const QRect area = shot.rectOf("wGraph");
        bool green = false;
        bool orange = false;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor colour = shot.colourAt(QPoint(x, y));
                green = green || colour == QColor(0x00, 0x92, 0x45);
                orange = orange || colour == QColor(0xff, 0xd0, 0x80);
            }
        QVERIFY(green);
        QVERIFY(orange);
        Clock::pin(QDateTime());
    }
};

QTEST_MAIN(tst_UsageWindow)
#include "tst_UsageWindow.moc"
