#include "ServiceWidget.h"
#include "Services.h"
#include "ServicesBench.h"
#include "Settings.h"
#include "UiTestKit.h"

#include <ClientAuthData.h>
#include <ClientConfig.h>
#include <I18n.h>
#include <OzmApplication.h>
#include <VpnServerList.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(Config::ActivateOption)

namespace {

VpnServer server(const QString& name, const QString& city, const QString& state, const QString& country)
{
    VpnServer result;
    result.name = name;
    result.host = name.toLower() + ".vpn.invalid";
    result.city = city;
    result.state = state;
    result.country = country;
    return result;
}

VpnCluster cluster(const QString& name, const QString& description, const QStringList& servers)
{
    VpnCluster result;
    result.name = name;
    result.description = description;
    result.servers = servers;
    return result;
}

const QList<VpnServer> Servers = {server("DE1", "Frankfurt", "", "Germany"), server("DE2", "Berlin", "", "Germany"),
                                  server("US1", "Dallas", "Texas", "United States")};
const QList<VpnCluster> Clusters = {cluster("de", "Germany", {"DE1", "DE2"}), cluster("us", "United States", {"US1"})};

ClientConfig& config()
{
    return *ClientConfig::instanceClient();
}

QStringList itemTexts(const QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void activateOptionIndex_data();
    void activateOptionIndex();
    void openingShowsTheStoredChoices();
    void setAsDefault_data();
    void setAsDefault();
    void refillKeepsThePickAndTheTick();
    void defaultMarks();
    void serverDescription_data();
    void serverDescription();
    void displayWhileVisibleOnlyRaises();
    void applyRecords_data();
    void applyRecords();
    void suspendingAppliesAtOnce();
    void restoreAfterASessionLeavesTheWindowAlone();

private:
    // A dialog with the test's server list; with the signed-in account when
    // services are wanted, else with one that sends no request.
    void makeDialog(bool withServices);
    template<typename T>
    T* child(const char* name) const
    {
        return dialog->findChild<T*>(name);
    }
    QOZMComboBox_tick* box(const char* name) const { return child<QOZMComboBox_tick>(name); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    ServiceWidget* row(const QString& id) const;
    // Shows the dialog and, with services, waits for their rows.
    void open(bool withServices);

    std::unique_ptr<ServicesBench> bench;
    QSharedPointer<VpnServerList> serverList;
    std::unique_ptr<Settings> dialog;
};

void tst_Settings::initTestCase()
{
    // Apply sets the language of the list; the first switch to English is logged loudly.
    I18n::instance()->setLanguage("en");
    UiTestKit::prepare();
    bench = std::make_unique<ServicesBench>();
    qRegisterMetaType<Settings::ApplyResult>();
    OzmApplication::windowTitle_ = "Ozmira";
}

void tst_Settings::init()
{
    bench->bench.service->reset();
    ClientConfig& settings = config();
    settings.setLoadOnStartup(false);
    settings.setActivateOption(Config::ActivateOnUnsecuredWireless);
    settings.setDefaultCluster("de");
    settings.setDefaultServer("");
    settings.setCurrentCluster("de");
    settings.setCurrentServer("");
    serverList.reset(new VpnServerList);
    serverList->set(Servers, Clusters);
}

void tst_Settings::cleanup()
{
    dialog.reset();
    QCOMPARE(bench->bench.service->violations(), QStringList());
}

void tst_Settings::makeDialog(bool withServices)
{
    dialog = std::make_unique<Settings>();
    dialog->init(bench->access, withServices ? bench->account : QSharedPointer<ClientAuthData>(new ClientAuthData),
                 serverList);
}

ServiceWidget* tst_Settings::row(const QString& id) const
{
    return dialog->findChild<Services*>()->findService(id)->widget.get();
}

void tst_Settings::open(bool withServices)
{
    QSignalSpy listed(dialog.get(), &Settings::servicesListUpdated);
    dialog->display();
    if (withServices)
        QVERIFY(listed.wait(10000));
    QVERIFY(dialog->isVisible());
}

void tst_Settings::activateOptionIndex_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<Config::ActivateOption>("option");
    QTest::newRow("none") << -1 << Config::ActivateOnUnsecuredWireless;
    QTest::newRow("0") << 0 << Config::ActivateOnUnsecuredWireless;
    QTest::newRow("1") << 1 << Config::ActivateOnAnyConnection;
    QTest::newRow("2") << 2 << Config::ActivateNever;
    QTest::newRow("past the end") << 3 << Config::ActivateOnUnsecuredWireless;
}

void tst_Settings::activateOptionIndex()
{
    QFETCH(int, index);
    QFETCH(Config::ActivateOption, option);
    QCOMPARE(Settings::IndexToActivateOption(index), option);
    if (index >= 0 && index <= 2)
        QCOMPARE(Settings::ActivateOptionToIndex(option), index);
}

void tst_Settings::openingShowsTheStoredChoices()
{
    config().setActivateOption(Config::ActivateOnAnyConnection);
    config().setCurrentCluster("us");
    makeDialog(false);
    open(false);
    QCOMPARE(dialog->windowTitle(), QString("Ozmira - Settings"));
    QCOMPARE(itemTexts(box("cbActivateOption")),
             (QStringList{"Unsecured wifi connection", "Any Internet connection", "Never - activate manually"}));
    QCOMPARE(box("cbActivateOption")->currentIndex(), 1);
    QCOMPARE(box("cbActivateOption")->tickedData(Qt::DisplayRole).toString(), QString("Any Internet connection"));
    QCOMPARE(box("cbClusters")->currentData().toString(), QString("us"));
    QCOMPARE(box("cbClusters")->tickedData().toString(), QString("us"));
    QCOMPARE(box("cbServers")->currentIndex(), 0);
    QVERIFY(!button("applyButton")->isEnabled());
    QVERIFY(!box("cbServers")->isVisible());
    QVERIFY(!box("languageCb")->isVisible());
    QVERIFY(box("languageCb")->count() > 0);

    box("cbActivateOption")->setCurrentIndex(2);
    QVERIFY(button("applyButton")->isEnabled());
    box("cbClusters")->setCurrentIndex(box("cbClusters")->findData("de"));
    child<QCheckBox>("loadOnStartupCb")->setChecked(true);
    button("cancelButton")->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(config().getActivateOption(), Config::ActivateOnAnyConnection);
    QCOMPARE(config().getCurrentCluster(), QString("us"));
    QVERIFY(!config().isLoadOnStartup());
    // The controls show the stored settings again.
    QCOMPARE(box("cbActivateOption")->currentIndex(), 1);
    QCOMPARE(box("cbClusters")->currentData().toString(), QString("us"));
}

void tst_Settings::setAsDefault_data()
{
    QTest::addColumn<QStringList>("pressedOn");
    QTest::addColumn<bool>("apply");
    QTest::addColumn<QString>("expectedDefault");
    QTest::newRow("one press, closed") << QStringList{"us"} << false << "de";
    QTest::newRow("two presses, closed") << QStringList{"us", ""} << false << "de";
    QTest::newRow("one press, applied") << QStringList{"us"} << true << "us";
    QTest::newRow("two presses, applied") << QStringList{"us", ""} << true << "";
}

void tst_Settings::setAsDefault()
{
    QFETCH(QStringList, pressedOn);
    QFETCH(bool, apply);
    config().setDefaultServer("de2.vpn.invalid");
    config().setCurrentServer("de2.vpn.invalid");
    makeDialog(false);
    open(false);
    QSignalSpy applied(dialog.get(), &Settings::settingsApplied);
    for (const QString& cluster : pressedOn) {
        box("cbClusters")->setCurrentIndex(box("cbClusters")->findData(cluster));
        button("setDefaultServerButton")->click();
        QCOMPARE(config().getDefaultCluster(), cluster);
        QCOMPARE(config().getCurrentCluster(), cluster);
        QCOMPARE(config().getDefaultServer(), QString(""));
        QCOMPARE(config().getCurrentServer(), QString(""));
        QVERIFY(button("applyButton")->isEnabled());
        // The mark moves, the tick stays on the applied location.
        QCOMPARE(box("cbClusters")->tickedData().toString(), QString("de"));
    }
    if (apply) {
        button("applyButton")->click();
        QCOMPARE(applied.size(), 1);
    } else {
        dialog->close();
    }
    QVERIFY(!dialog->isVisible());
    QTEST(config().getDefaultCluster(), "expectedDefault");
    QTEST(config().getCurrentCluster(), "expectedDefault");
    QCOMPARE(config().getDefaultServer(), apply ? QString("") : QString("de2.vpn.invalid"));
    QCOMPARE(config().getCurrentServer(), apply ? QString("") : QString("de2.vpn.invalid"));
}

void tst_Settings::refillKeepsThePickAndTheTick()
{
    makeDialog(false);
    open(false);
    QList<VpnCluster> more = Clusters;
    more << cluster("fr", "France", {});
    serverList->set(Servers, more);
    QCOMPARE(box("cbClusters")->count(), 4);
    QVERIFY(!button("applyButton")->isEnabled());

    box("cbClusters")->setCurrentIndex(box("cbClusters")->findData("us"));
    button("applyButton")->setEnabled(false);
    serverList->set(Servers, Clusters);
    QCOMPARE(box("cbClusters")->count(), 3);
    QCOMPARE(box("cbClusters")->currentData().toString(), QString("us"));
    QCOMPARE(box("cbClusters")->tickedData().toString(), QString("de"));
    QCOMPARE(itemTexts(box("cbServers")), (QStringList{"Choose closest automatically", "US1"}));
    QVERIFY(!button("applyButton")->isEnabled());
}

void tst_Settings::defaultMarks()
{
    config().setDefaultServer("de2.vpn.invalid");
    makeDialog(false);
    open(false);
    QCOMPARE(itemTexts(box("cbClusters")),
             (QStringList{"Choose closest automatically", "Germany (default)", "United States"}));
    QCOMPARE(box("cbClusters")->itemData(0).toString(), QString(""));
    QVERIFY(!box("cbClusters")->itemData(0).toString().isNull());
    QCOMPARE(itemTexts(box("cbServers")), (QStringList{"Choose closest automatically", "DE1", "DE2 (default)"}));

    serverList->set({}, {});
    QCOMPARE(box("cbClusters")->count(), 0);
    QCOMPARE(box("cbServers")->count(), 0);
}

void tst_Settings::serverDescription_data()
{
    QTest::addColumn<QString>("cluster");
    QTest::addColumn<int>("server");
    QTest::addColumn<QString>("description");
    QTest::newRow("automatic") << "us" << 0 << "";
    QTest::newRow("no state") << "de" << 2 << "Berlin, Germany";
    QTest::newRow("with state") << "us" << 1 << "Dallas, Texas, United States";
}

void tst_Settings::serverDescription()
{
    QFETCH(QString, cluster);
    QFETCH(int, server);
    makeDialog(false);
    open(false);
    box("cbClusters")->setCurrentIndex(box("cbClusters")->findData(cluster));
    box("cbServers")->setCurrentIndex(server);
    QTEST(child<QLabel>("lbServerDescription")->text(), "description");

    // A host the list no longer has is described by nothing.
    serverList->set({}, Clusters);
    QCOMPARE(child<QLabel>("lbServerDescription")->text(), QString());
}

void tst_Settings::displayWhileVisibleOnlyRaises()
{
    makeDialog(false);
    open(false);
    box("cbActivateOption")->setCurrentIndex(2);
    dialog->display();
    QCOMPARE(box("cbActivateOption")->currentIndex(), 2);
    QVERIFY(button("applyButton")->isEnabled());

    dialog->close();
    dialog->display();
    QCOMPARE(box("cbActivateOption")->currentIndex(), 0);
    QVERIFY(!button("applyButton")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), button("cancelButton"));
}

void tst_Settings::applyRecords_data()
{
    QTest::addColumn<bool>("switchService");
    QTest::addColumn<QByteArray>("saveFailure");
    QTest::addColumn<bool>("changeOption");
    QTest::addColumn<int>("noReconfig");
    QTest::addColumn<qint64>("delay");
    QTest::newRow("nothing changed") << false << QByteArray() << false << 1 << qint64(0);
    QTest::newRow("option changed") << false << QByteArray() << true << 1 << qint64(0);
    QTest::newRow("service saved") << true << QByteArray() << false << 0 << qint64(2000);
    QTest::newRow("save failed") << true << QByteArray("Services save fail") << true << 1 << qint64(0);
}

void tst_Settings::applyRecords()
{
    QFETCH(bool, switchService);
    QFETCH(QByteArray, saveFailure);
    QFETCH(bool, changeOption);
    bench->replyServices({{"7", "Ad blocking", false}});
    bench->replySave(saveFailure);
    makeDialog(true);
    open(true);
    QSignalSpy applied(dialog.get(), &Settings::settingsApplied);
    if (switchService)
        row("7")->findChild<QRadioButton*>("rbOn")->click();
    if (changeOption)
        box("cbActivateOption")->setCurrentIndex(2);
    box("cbClusters")->setCurrentIndex(box("cbClusters")->findData("us"));
    QVERIFY(button("applyButton")->isEnabled());
    button("applyButton")->click();
    if (applied.isEmpty())
        QVERIFY(applied.wait(10000));
    QCOMPARE(applied.size(), 1);
    const auto result = applied.first().first().value<Settings::ApplyResult>();
    QTEST(int(result.noReconfig), "noReconfig");
    QTEST(result.delay, "delay");
    QCOMPARE(result.activateOptionChanged, changeOption);
    QCOMPARE(config().getActivateOption(), changeOption ? Config::ActivateNever : Config::ActivateOnUnsecuredWireless);
    QCOMPARE(config().getCurrentCluster(), QString("us"));
    QCOMPARE(dialog->isVisible(), !saveFailure.isNull());
    QCOMPARE(button("applyButton")->isEnabled(), !saveFailure.isNull());
    QVERIFY(child<QWidget>("tab")->isEnabled());
    QVERIFY(child<QWidget>("tab_2")->isEnabled());
    QCOMPARE(bench->requests("/service/set").size(), switchService ? 1 : 0);
    if (!saveFailure.isNull())
        QCOMPARE(dialog->findChild<QLabel*>("lbServicesStatus")->text(), QString::fromUtf8(saveFailure));
}

void tst_Settings::suspendingAppliesAtOnce()
{
    bench->replyServices({{"7", "Ad blocking", true}, {"100000", "Encryption", true}});
    bench->replySave();
    makeDialog(true);
    open(true);
    QSignalSpy applied(dialog.get(), &Settings::settingsApplied);
    QTest::mouseClick(row("100000")->findChild<QPushButton*>("offForSession"), Qt::LeftButton);
    QVERIFY(applied.wait(10000));
    QCOMPARE(applied.size(), 1);
    QCOMPARE(applied.first().first().value<Settings::ApplyResult>().noReconfig, 0);
    QCOMPARE(ServicesBench::switchedOn(bench->requests("/service/set").first()), QStringList{"7"});
    QVERIFY(!dialog->isVisible());
}

// A restore of suspended services after a VPN session saves without any Apply:
// an open window keeps its unsaved choices, and nothing is reported as applied.
void tst_Settings::restoreAfterASessionLeavesTheWindowAlone()
{
    Services::save_localy("100000", true);
    Services::setSessionDone();
    bench->replyServices({{"100000", "Encryption", false}});
    bench->replySave();
    makeDialog(true);
    open(true);
    QSignalSpy applied(dialog.get(), &Settings::settingsApplied);
    QSignalSpy saved(dialog->findChild<Services*>(), &Services::saveCompleted);
    box("cbActivateOption")->setCurrentIndex(2);

    dialog->updateServicesLocaly();
    QVERIFY(saved.wait(10000));
    QCOMPARE(saved.first(), (QVariantList{true, true}));
    QCOMPARE(ServicesBench::switchedOn(bench->requests("/service/set").first()), QStringList{"100000"});
    QVERIFY(row("100000")->state());
    QVERIFY(dialog->isVisible());
    QCOMPARE(box("cbActivateOption")->currentIndex(), 2);
    QVERIFY(button("applyButton")->isEnabled());
    QCOMPARE(applied.size(), 0);
    QCOMPARE(config().getActivateOption(), Config::ActivateOnUnsecuredWireless);
}

QTEST_MAIN(tst_Settings)
#include "tst_Settings.moc"
