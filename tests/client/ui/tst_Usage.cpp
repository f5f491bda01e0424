// The usage dialog against the stand-in service: the request it sends, the
// table, the averages and the live traffic texts, under a fixed clock.
#include "ClientAuthData.h"
#include "Clock.h"
#include "CommandBench.h"
#include "OzmApplication.h"
#include "QtWarningsFail.h"
#include "UiTestKit.h"
#include "Usage.h"
#include "UsageCommand.h"
#include "UsageGraph.h"
#include "UsageReply.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

namespace {

using Row = UsageReply::Row;

// n sessions of one hour each, an hour apart, ending before noon today.
QList<Row> todaysSessions(int n, const QString& traffic = "2")
{
    QList<Row> rows;
    for (int i = 0; i < n; ++i)
        rows << Row{QStringLiteral("2026-06-10T%1:00:00").arg(i + 1, 2, 10, QLatin1Char('0')), "3600", traffic};
    return rows;
}

QStringList columnTexts(const QTableWidget* table, int column)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts << (table->item(row, column) ? table->item(row, column)->text() : QString());
    return texts;
}

QStringList headerTexts(const QTableWidget* table)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column)
        texts << table->horizontalHeaderItem(column)->text();
    return texts;
}

} // namespace

class tst_Usage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UsageReply::useBerlinTime();
        UiTestKit::prepare();
        bench = std::make_unique<CommandBench>();
        QVERIFY(bench->service->isRunning());
        CommandBench::fillAccount(account);
        access = QSharedPointer<HttpAccess>::create(bench->service->url());
        OzmApplication::windowTitleShort_ = "Ozmira";
    }
    void init()
    {
        bench->service->reset();
        Clock::pin(QDateTime(QDate(2026, 6, 10), QTime(12, 0)));
        usage = std::make_unique<Usage>();
        usage->init(access, QSharedPointer<ClientAuthData>(&account, [](ClientAuthData*) {}));
        table = usage->findChild<QTableWidget*>("twSessions");
    }
    void cleanup()
    {
        usage.reset();
        Clock::pin(QDateTime());
        QVERIFY2(bench->service->violations().isEmpty(), qPrintable(bench->service->violations().join('\n')));
    }

    void emptyRangeHidesTheTable()
    {
        replyWith({Row{"2026-06-09T10:00:00+02:00", "600", "4"}});
        QVERIFY(displayAndWait());
        QVERIFY(table->isHidden());
        QCOMPARE(label("lbAverage"), QString("Average: 0.0 MB"));
        QCOMPARE(usage->windowTitle(), QString("Ozmira - Usage"));

        clickFilter("btnDays7");
        QVERIFY(!table->isHidden());
        QCOMPARE(columnTexts(table, 0), QStringList{"2026-06-09 10:00:00"});
        QCOMPARE(label("lbAverage"), QString("Average: 4.0 MB"));
    }

    void atMostFiveRowsShow_data()
    {
        QTest::addColumn<int>("sessions");
        QTest::newRow("five") << 5;
        QTest::newRow("six") << 6;
    }
    void atMostFiveRowsShow()
    {
        QFETCH(int, sessions);
        replyWith(todaysSessions(sessions));
        usage->show();
        QVERIFY(displayAndWait());
        QCOMPARE(table->rowCount(), sessions);
        QCOMPARE(columnTexts(table, 0).first(), QStringLiteral("2026-06-10 %1:00:00").arg(sessions, 2, 10, QChar('0')));
        QCOMPARE(table->maximumHeight(), std::min(sessions, 5) * table->rowHeight(0) + table->horizontalHeader()->height() + 1);
        const int scrollBar = sessions > 5 ? table->verticalScrollBar()->sizeHint().width() : 0;
        QVERIFY(scrollBar > 0 || sessions <= 5);
        QCOMPARE(table->columnWidth(0), table->width() - table->columnWidth(1) - table->columnWidth(2) - scrollBar);
        QCOMPARE(label("lbAverage"), QString("Average: 2.0 MB"));
    }

    void sessionTexts()
    {
        replyWith({Row{"2026-06-08T22:30:00Z", "90000", "12.345", "1.25", "7"}});
        QVERIFY(displayAndWait());
        clickFilter("btnDays7");
        // Local time; total hours for a session longer than a day.
        QCOMPARE(columnTexts(table, 0), QStringList{"2026-06-09 00:30:00"});
        QCOMPARE(columnTexts(table, 1), QStringList{"25:00:00"});
        QCOMPARE(columnTexts(table, 2), QStringList{"12.3 MB"});
    }

    void serviceColumnsStay()
    {
        replyWith({Row{"2026-06-10T08:00:00", "600", "3", "1.5", "7"}});
        QVERIFY(displayAndWait());
        usage->updateServicesList({"10", "100000"});
        QCOMPARE(headerTexts(table),
                 (QStringList{"Date and Time", "Duration", "Traffic", "Compression Savings", "Ads Blocked"}));
        QCOMPARE(columnTexts(table, 3), QStringList{"1.5"});
        QCOMPARE(columnTexts(table, 4), QStringList{"7"});
        // The date column keeps 160 px: table, graph and dialog grow instead.
        QCOMPARE(table->columnWidth(0), 160);
        QVERIFY(table->minimumWidth() > 520);
        const auto* graph = usage->findChild<UsageGraph*>("wGraph");
        QCOMPARE(graph->minimumWidth(), table->minimumWidth());
        QCOMPARE(graph->minimumHeight(), 240 * table->minimumWidth() / 520);
        usage->updateServicesList({"100000"});
        usage->updateServicesList({});
        QCOMPARE(table->columnCount(), 5);
        QCOMPARE(headerTexts(table).at(3), QString("Compression Savings"));
    }

    void currentTraffic_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("figure");
        QTest::newRow("none") << quint64(0) << false << "0.0";
        QTest::newRow("1 240 000 bytes") << quint64(1240000) << true << "1.2";
        QTest::newRow("largest count") << std::numeric_limits<quint64>::max() << true << "18446744073709.6";
    }
    void currentTraffic()
    {
        QFETCH(quint64, bytes);
        QFETCH(bool, shown);
        QFETCH(QString, figure);
        usage->setTraffic(bytes, 0);
        for (const char* name : {"widgetCurrentSessionCaption", "line", "wgAmountEncrypted"})
            QCOMPARE(usage->findChild<QWidget*>(name)->isHidden(), !shown);
        QCOMPARE(label("lbAmountEncrypted"), "Amount encrypted: " + figure + " MB");
        QCOMPARE(label("lbCurrentSession"), "Current session: " + figure + " MB");
    }

    void twoDisplaysSendOneRequest()
    {
        replyWith(todaysSessions(1));
        usage->display();
        usage->display();
        QSignalSpy done(usage->findChild<UsageCommand*>(), &HttpCommand::completed);
        QVERIFY(done.wait(10000));
        const QList<StandInRequest> requests = bench->service->requests();
        QCOMPARE(requests.size(), 1);
        QVERIFY(requests.first().query.contains(qMakePair(QString("spanflag"), QString("days"))));
        QVERIFY(requests.first().query.contains(qMakePair(QString("span"), QString("365"))));
        // Once the reply is in, the next display asks again.
        QVERIFY(displayAndWait());
        QCOMPARE(bench->service->requests().size(), 2);
    }

    void failureLogsAndEmptiesTheList()
    {
        replyWith(todaysSessions(2));
        QVERIFY(displayAndWait());
        QCOMPARE(table->rowCount(), 2);
        bench->service->reply(StandInReply("GET", "/mobile/licMobile")
                                  .act("usage")
                                  .xml("<response><result><status>failure</status><code>1402</code>"
                                       "<message>No usage</message></result></response>"));
        QTest::ignoreMessage(QtDebugMsg, "Usage command failed: true false No usage");
        QVERIFY(displayAndWait());
        // What was shown stays until the next filter change.
        QCOMPARE(table->rowCount(), 2);
        clickFilter("btnDays1");
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(table->isHidden());
    }

    void hostileTrafficCountsAsZero()
    {
        QList<Row> current = todaysSessions(3);
        current[0].traffic = "-5";
        current[1].traffic = "nan";
        replyWith(current, {Row{"2026-06-10T09:00:00", "60", "1e308"}});
        QtWarningsFail::expect(QtWarningMsg, "Usage: traffic figures that are no sane number count as 0: 2");
        QVERIFY(displayAndWait());
        QCOMPARE(columnTexts(table, 2), (QStringList{"2.0 MB", "0.0 MB", "0.0 MB"}));
        QCOMPARE(label("lbAverage"), QString("Average: 0.7 MB"));
        const auto* graph = usage->findChild<UsageGraph*>("wGraph");
        QCOMPARE(graph->yAxisLabels().last().text, QString("5 MB"));
    }

private:
    void replyWith(const QList<Row>& current, const QList<Row>& all = {})
    {
        bench->reply("GET", "/mobile/licMobile", "usage", UsageReply::children(current, all));
    }
    bool displayAndWait()
    {
        usage->display();
        // The newest: a finished one may wait for its deletion.
        QSignalSpy done(usage->findChildren<UsageCommand*>().last(), &HttpCommand::completed);
        return done.wait(10000);
    }
    void clickFilter(const char* name) { usage->findChild<QPushButton*>(name)->click(); }
    QString label(const char* name) const { return usage->findChild<QLabel*>(name)->text(); }

    std::unique_ptr<CommandBench> bench;
    ClientAuthData account;
    QSharedPointer<HttpAccess> access;
    std::unique_ptr<Usage> usage;
    QTableWidget* table = nullptr;
};

QTEST_MAIN(tst_Usage)
#include "tst_Usage.moc"
