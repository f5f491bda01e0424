// The settings window as a person sees it, grabbed from a private X server.
#include "ServiceWidget.h"
#include "Services.h"
#include "ServicesBench.h"
#include "Settings.h"
#include "UiTestKit.h"
#include "WindowShot.h"

#include <ClientAuthData.h>
#include <ClientConfig.h>
#include <VpnServerList.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <memory>

class tst_SettingsWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UiTestKit::prepare();
        bench = std::make_unique<ServicesBench>();
    }

    void basicTab()
    {
        const std::unique_ptr<Settings> shown = open();
        QVERIFY(shown);
        Settings& dialog = *shown;
        const WindowShot basic(&dialog);
        QVERIFY(!basic.save().isEmpty());
        QCOMPARE(basic.check({"lbLogoImage", "wgtHmbrgrMenu", "loadOnStartupCb", "loadOnStartupHelp", "label",
                              "cbActivateOption", "cancelButton", "applyButton"}),
                 QString());
        QVERIFY(basic.rectOf("lbServerDescription").isNull());
        QVERIFY(basic.rectOf("languageCb").isNull());
        // The rows sit below the option, in reply order, the suspend button under its own row only.
        Services* panel = dialog.findChild<Services*>();
        QList<int> tops;
        for (const QString id : {"7", "100000", "12"}) {
            const ServiceWidget* row = panel->findService(id)->widget.get();
            QVERIFY(row->isVisible());
            tops << row->mapTo(&dialog, QPoint(0, 0)).y();
            QCOMPARE(row->findChild<QPushButton*>("offForSession")->isVisible(), id == "100000");
        }
        QVERIFY(tops[0] > basic.rectOf("cbActivateOption").bottom());
        QVERIFY(tops[0] < tops[1] && tops[1] < tops[2]);
        const QPushButton* suspend = panel->findService("100000")->widget->findChild<QPushButton*>("offForSession");
        const QRect suspendRect(suspend->mapTo(&dialog, QPoint(0, 0)), suspend->size());
        QVERIFY(suspendRect.top() > tops[1] && suspendRect.bottom() < tops[2]);
        QVERIFY(tops[2] + 20 < basic.rectOf("buttonPanel").top());
    }

    void advancedTab()
    {
        const std::unique_ptr<Settings> shown = open();
        QVERIFY(shown);
        Settings& dialog = *shown;
        dialog.findChild<QTabWidget*>("tabWidget")->setCurrentIndex(1);
        const WindowShot advanced(&dialog);
        QVERIFY(!advanced.save().isEmpty());
        QCOMPARE(advanced.check({"label_4", "changeLocationHelp", "cbClusters", "setDefaultServerButton"}), QString());
        const auto* clusters = dialog.findChild<QOZMComboBox_tick*>("cbClusters");
        QCOMPARE(clusters->currentText(), QString("United States (default)"));
        QCOMPARE(clusters->tickedData().toString(), QString("us"));
        QVERIFY(advanced.rectOf("cbServers").isNull());
    }

private:
    // The dialog shown with three services, one of them suspendable, and
    // "United States" the stored location; null when the services did not come.
    std::unique_ptr<Settings> open()
    {
        VpnServer frankfurt;
        frankfurt.name = "DE1";
        frankfurt.host = "de1.vpn.invalid";
        VpnCluster germany;
        germany.name = "de";
        germany.description = "Germany";
        germany.servers = QStringList{"DE1"};
        VpnCluster us = germany;
        us.name = "us";
        us.description = "United States";
        us.servers.clear();
        QSharedPointer<VpnServerList> servers(new VpnServerList);
        servers->set({frankfurt}, {germany, us});
        ClientConfig::instanceClient()->setDefaultCluster("us");
        ClientConfig::instanceClient()->setCurrentCluster("us");
        bench->replyServices({{"7", "Ad blocking", true},
                              {"100000", "Encryption", true},
                              {"12", "Malware shield", false}});

        auto dialog = std::make_unique<Settings>();
        dialog->init(bench->access, bench->account, servers);
        QSignalSpy listed(dialog.get(), &Settings::servicesListUpdated);
        dialog->display();
        if (!listed.wait(10000) || listed.last().first().toStringList() != QStringList{"7", "100000", "12"})
            return nullptr;
        return dialog;
    }

    std::unique_ptr<ServicesBench> bench;
};

QTEST_MAIN(tst_SettingsWindows)
#include "tst_SettingsWindows.moc"
