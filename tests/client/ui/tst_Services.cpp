#include "ServiceWidget.h"
#include "Services.h"
#include "ServicesBench.h"
#include "UiTestKit.h"

#include <ClientAuthData.h>
#include <Folders.h>

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

using Rows = QList<ServiceRow>;

// Row ids and states as shown, top to bottom, as "id:on" or "id:off".
QStringList shown(const Services& panel)
{
    QStringList rows;
    const auto* layout = static_cast<QVBoxLayout*>(panel.layout());
    for (int i = 0; i < layout->count(); ++i)
        if (const auto* row = qobject_cast<ServiceWidget*>(layout->itemAt(i)->widget()))
            rows << row->id() + (row->state() ? ":on" : ":off");
    return rows;
}

QString statusOf(const Services& panel)
{
    return panel.findChild<QLabel*>("lbServicesStatus")->text();
}

QSettings localFile()
{
    return QSettings(Folders::app_data_folder + QDir::separator() + "services.ini", QSettings::IniFormat);
}

} // namespace

class tst_Services : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void noDeviceNoRequest();
    void blockingAfterALoad();
    void switchingRules_data();
    void switchingRules();
    void applySendsTheRowsThatAreOn();
    void failedExchanges_data();
    void failedExchanges();
    void reloads();
    void savedNoticeGoes();
    void suspendedUntilTheSessionEnds();

private:
    // Loads rows into a fresh panel and waits for them.
    void load(const Rows& rows);
    ServiceWidget* row(const QString& id) const { return panel->findService(id)->widget.get(); }

    std::unique_ptr<ServicesBench> bench;
    std::unique_ptr<QWidget> window;
    Services* panel = nullptr;
};

void tst_Services::initTestCase()
{
    UiTestKit::prepare();
    bench = std::make_unique<ServicesBench>();
}

void tst_Services::init()
{
    bench->bench.service->reset();
    window = std::make_unique<QWidget>();
    new QVBoxLayout(window.get());
    panel = new Services(window.get());
    window->layout()->addWidget(panel);
    window->show();
}

void tst_Services::cleanup()
{
    window.reset();
    QCOMPARE(bench->bench.service->violations(), QStringList());
}

void tst_Services::load(const Rows& rows)
{
    bench->replyServices(rows);
    QSignalSpy listed(panel, &Services::servicesListUpdated);
    panel->updateServices();
    QVERIFY(listed.wait(10000));
}

void tst_Services::noDeviceNoRequest()
{
    QSignalSpy listed(panel, &Services::servicesListUpdated);
    panel->init(bench->access, QSharedPointer<ClientAuthData>(new ClientAuthData));
    panel->updateServices();
    QCOMPARE(listed.size(), 1);
    QCOMPARE(listed.first().first().toStringList(), QStringList());
    QCOMPARE(statusOf(*panel), QString(" "));
    QVERIFY(bench->bench.service->requests().isEmpty());
}

void tst_Services::blockingAfterALoad()
{
    QSignalSpy listed(panel, &Services::servicesListUpdated);
    bench->replyServices({{"A", "Alpha", true, {"B"}}, {"B", "Beta", true}, {"C", "Gamma", false}});
    panel->init(bench->access, bench->account);
    QCOMPARE(statusOf(*panel), QString("Updating services ..."));
    QVERIFY(!panel->isEnabled());
    QVERIFY(listed.wait(10000));
    QCOMPARE(listed.first().first().toStringList(), (QStringList{"A", "B", "C"}));
    QCOMPARE(shown(*panel), (QStringList{"A:on", "B:off", "C:off"}));
    QVERIFY(row("B")->isChanged());
    QVERIFY(!row("A")->isChanged());
    QVERIFY(panel->isEnabled());
    QCOMPARE(statusOf(*panel), QString());
    const QList<StandInRequest> asked = bench->requests("/service/get");
    QCOMPARE(asked.size(), 1);
}

void tst_Services::switchingRules_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("expected");
    // A blocks B, C blocks A; A starts on.
    QTest::newRow("B on, A does not name it") << QStringList{"B:on"} << QStringList{"A:on", "B:on", "C:off"};
    QTest::newRow("C on switches A off") << QStringList{"C:on"} << QStringList{"A:off", "B:off", "C:on"};
    QTest::newRow("A on again switches B off")
        << QStringList{"B:on", "A:off", "A:on"} << QStringList{"A:on", "B:off", "C:off"};
    QTest::newRow("off blocks nothing") << QStringList{"B:on", "C:off"} << QStringList{"A:on", "B:on", "C:off"};
}

void tst_Services::switchingRules()
{
    QFETCH(QStringList, clicks);
    panel->init(bench->access, bench->account);
    load({{"A", "Alpha", true, {"B"}}, {"B", "Beta", false}, {"C", "Gamma", false, {"A"}}});
    QSignalSpy changed(panel, &Services::changed);
    for (const QString& click : clicks) {
        const QStringList parts = click.split(':');
        row(parts[0])->findChild<QRadioButton*>(parts[1] == "on" ? "rbOn" : "rbOff")->click();
    }
    QTEST(shown(*panel), "expected");
    QVERIFY(!changed.isEmpty());
}

void tst_Services::applySendsTheRowsThatAreOn()
{
    panel->init(bench->access, bench->account);
    load({{"A", "Alpha", true}, {"B", "Beta", false}, {"C", "Gamma", true}});
    QSignalSpy saved(panel, &Services::saveCompleted);
    panel->save();
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.first(), (QVariantList{true, false}));
    QVERIFY(bench->requests("/service/set").isEmpty());

    bench->replySave();
    row("B")->findChild<QRadioButton*>("rbOn")->click();
    row("C")->findChild<QRadioButton*>("rbOff")->click();
    panel->save();
    QCOMPARE(statusOf(*panel), QString("Saving ..."));
    QVERIFY(saved.wait(10000));
    QCOMPARE(saved.last(), (QVariantList{true, true}));
    const QList<StandInRequest> sent = bench->requests("/service/set");
    QCOMPARE(sent.size(), 1);
    QCOMPARE(ServicesBench::switchedOn(sent.first()), (QStringList{"A", "B"}));
    QVERIFY(!row("B")->isChanged());
    QCOMPARE(statusOf(*panel), QString("Saved successfully"));
}

void tst_Services::failedExchanges_data()
{
    QTest::addColumn<bool>("saving");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("load, own text") << false << QByteArray("Services mutually blocked") << "Services mutually blocked";
    QTest::newRow("load, no text") << false << QByteArray("") << "Failed to get services";
    QTest::newRow("save, own text") << true << QByteArray("Services save fail") << "Services save fail";
    QTest::newRow("save, no text") << true << QByteArray("") << "Failed to save services";
}

void tst_Services::failedExchanges()
{
    QFETCH(bool, saving);
    QFETCH(QByteArray, message);
    panel->init(bench->access, bench->account);
    load({{"A", "Alpha", true}});
    const QByteArray failure = "<response><result><status>error</status><statusmsg>" + message
        + "</statusmsg></result></response>";
    if (saving) {
        bench->replySave(message);
        QSignalSpy saved(panel, &Services::saveCompleted);
        row("A")->setState(false);
        panel->save();
        QVERIFY(saved.wait(10000));
        QCOMPARE(saved.first(), (QVariantList{false, false}));
    } else {
        bench->replyServices(failure);
        QSignalSpy listed(panel, &Services::servicesListUpdated);
        panel->updateServices();
        QVERIFY(listed.wait(10000));
        QCOMPARE(listed.first().first().toStringList(), QStringList());
        QVERIFY(!panel->isEnabled());
    }
    QTEST(statusOf(*panel), "shown");
    QCOMPARE(shown(*panel), QStringList{saving ? "A:off" : "A:on"});
}

void tst_Services::reloads()
{
    panel->init(bench->access, bench->account);
    load({{"A", "Alpha", true}, {"B", "Beta", false}, {"C", "Gamma", true}});
    ServiceWidget* const a = row("A");
    const QPointer<ServiceWidget> b = row("B");

    // The user switches A while the reload runs: the switch stays, the rest follows the service.
    bench->replyServices({{"A", "Alpha 2", true}, {"B", "Beta", true}, {"C", "Gamma", true}});
    QSignalSpy listed(panel, &Services::servicesListUpdated);
    panel->updateServices();
    a->setState(false);
    QVERIFY(listed.wait(10000));
    QCOMPARE(shown(*panel), (QStringList{"A:off", "B:on", "C:on"}));
    QVERIFY(a->isChanged());
    QCOMPARE(a->findChild<QLabel*>("lbName")->text(), QString("Alpha 2"));

    // A shorter reply with another service second: A's row stays, B's is replaced, C's goes.
    bench->replyServices({{"A", "Alpha", false}, {"D", "Delta", true}});
    panel->updateServices();
    QVERIFY(listed.wait(10000));
    QCOMPARE(shown(*panel), (QStringList{"A:off", "D:on"}));
    QCOMPARE(row("A"), a);
    QVERIFY(!a->isChanged());
    QVERIFY(!panel->findService("C"));
    QCOMPARE(panel->findChildren<ServiceWidget*>().size(), 2);
    QVERIFY(b.isNull());
}

void tst_Services::savedNoticeGoes()
{
    panel->init(bench->access, bench->account);
    load({{"A", "Alpha", true}});
    bench->replySave();
    QSignalSpy saved(panel, &Services::saveCompleted);
    row("A")->setState(false);
    QElapsedTimer shownFor;
    shownFor.start();
    panel->save();
    QVERIFY(saved.wait(10000));
    QLabel* status = panel->findChild<QLabel*>("lbServicesStatus");
    QCOMPARE(status->text(), QString("Saved successfully"));
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QString(), 20000);
    // The notice's timer is a coarse one, which Qt may fire up to 5 % early.
    QVERIFY(shownFor.elapsed() >= 4750);
}

void tst_Services::suspendedUntilTheSessionEnds()
{
    panel->init(bench->access, bench->account);
    load({{"7", "Ad blocking", true}, {"100000", "Encryption", true}});
    bench->replySave();
    QSignalSpy saved(panel, &Services::saveCompleted);
    QSignalSpy changed(panel, &Services::changed);
    QTest::mouseClick(row("100000")->findChild<QPushButton*>("offForSession"), Qt::LeftButton);
    QVERIFY(changed.size() >= 1);
    QVERIFY(panel->isChangedForSession());
    panel->save();
    QVERIFY(saved.wait(10000));
    QCOMPARE(ServicesBench::switchedOn(bench->requests("/service/set").last()), QStringList{"7"});
    {
        QSettings file = localFile();
        QCOMPARE(file.value("id_100000"), QVariant(true));
        QCOMPARE(file.value("session_done"), QVariant(false));
    }

    // A VPN session that ends before one has started since gives nothing back.
    panel->updateServicesLocaly();
    QCOMPARE(saved.size(), 1);

    Services::setSessionDone();
    panel->updateServicesLocaly();
    QVERIFY(saved.wait(10000));
    QCOMPARE(shown(*panel), (QStringList{"7:on", "100000:on"}));
    const QList<StandInRequest> sent = bench->requests("/service/set");
    QCOMPARE(sent.size(), 2);
    QStringList restored = ServicesBench::switchedOn(sent.last());
    restored.sort();
    QCOMPARE(restored, (QStringList{"100000", "7"}));
    QVERIFY(!localFile().contains("id_100000"));

    // Given back once only.
    panel->updateServicesLocaly();
    QCOMPARE(saved.size(), 2);
}

QTEST_MAIN(tst_Services)
#include "tst_Services.moc"
