// The welcome banner and the privacy tip panel of the main window's main page.
#include "ClientConfig.h"
#include "Folders.h"
#include "PrivacyTipPanel.h"
#include "SharedTexts.h"
#include "UiTestKit.h"
#include "WelcomeWidget.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

namespace {

class MarkingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char*, const char* source, const char*, int) const override
    {
        return QStringLiteral("«%1»").arg(QString::fromUtf8(source));
    }
};

QLabel* label(QWidget* widget, const char* name)
{
    return widget->findChild<QLabel*>(QLatin1String(name));
}

const QString LinkStyle = " style=\"font-family: KievitComp-Bold;color: #49C4E9;text-decoration: none;\"";

} // namespace

class tst_WelcomeWidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UiTestKit::prepare();
        QVERIFY(m_data.isValid());
        Folders::app_data_folder = m_data.path();
    }
    void cleanupTestCase() { Config::drop(); }

    void quickStartLink_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("emitted");
        QTest::newRow("as written") << "link:QuickStart" << 1;
        QTest::newRow("other case") << "LINK:quickstart" << 1;
        QTest::newRow("another link") << "link:Support" << 0;
        QTest::newRow("longer") << "link:QuickStart2" << 0;
    }

    void quickStartLink()
    {
        QFETCH(QString, link);
        QFETCH(int, emitted);
        WelcomeWidget banner;
        QSignalSpy spy(&banner, &WelcomeWidget::quickStartActivated);
        emit label(&banner, "lbWelcomeSeeGuide")->linkActivated(link);
        QCOMPARE(spy.count(), emitted);
    }

    void bannerAfterLanguageChange()
    {
        WelcomeWidget banner;
        QCOMPARE(label(&banner, "lbWelcomeText")->text(), WelcomeWelcomeText());
        MarkingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        QCoreApplication::processEvents();
        QCOMPARE(label(&banner, "lbWelcome")->text(), QString("«Welcome»"));
        QVERIFY(label(&banner, "lbWelcomeSeeGuide")->text().startsWith("«To learn more"));
        QCOMPARE(label(&banner, "lbWelcomeText")->text(), WelcomeWelcomeText());
        QCoreApplication::removeTranslator(&translator);
        QCoreApplication::processEvents();
        QCOMPARE(label(&banner, "lbWelcome")->text(), QString("Welcome"));
    }

    void tipLinks_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shownTitle");
        QTest::addColumn<QString>("shownText");

        QTest::newRow("two anchors")
            << "  Public WiFi " << "Use <a href=\"https://a.example\">this</a> or <a class=\"x\" href=\"https://b.example\">that</a>. "
            << "PUBLIC WIFI"
            << "Use <a" + LinkStyle + " href=\"https://a.example\">this</a> or <a class=\"x\"" + LinkStyle
                   + " href=\"https://b.example\">that</a>.";
        QTest::newRow("anchor without href")
            << "" << "<a name=\"top\">Top</a> and <a href=\"https://c.example\">more</a>" << "PRIVACY TIP [Dynamic load]"
            << "<a name=\"top\">Top</a> and <a" + LinkStyle + " href=\"https://c.example\">more</a>";
        QTest::newRow("no text") << "Title" << "" << "TITLE"
                                 << "Disable features that automatically connect you to any available\nwireless "
                                    "network. This will prevent you from accidentally\nconnecting to a stranger's "
                                    "computer or to a fake WiFi hotspot\ndesigned to steal your information. [Dynamic "
                                    "loading]";
    }

    void tipLinks()
    {
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(QString, shownTitle);
        QFETCH(QString, shownText);
        PrivacyTipPanel panel;
        panel.setPrivacyTipOfTheDay(title, text);
        QCOMPARE(label(&panel, "lbPrivacyTipTitle")->text(), shownTitle);
        QCOMPARE(label(&panel, "lbPrivacyTipText")->text(), shownText);
    }

    void hiddenFlag()
    {
        QWidget page;
        auto* panel = new PrivacyTipPanel(&page);
        page.show();
        QVERIFY(!panel->isHidden());
        panel->hide();
        QVERIFY(panel->isHidden());
        panel->QWidget::setVisible(true);
        QVERIFY(panel->isHidden());
        QVERIFY(panel->isVisible());
        panel->show();
        QVERIFY(!panel->isHidden());

        QSignalSpy closed(panel, &PrivacyTipPanel::privacyTipsClosed);
        QTest::mouseClick(panel->findChild<QPushButton*>("btnPrivacyTipClose"), Qt::LeftButton);
        QCOMPARE(closed.count(), 1);
        QVERIFY(panel->isHidden());
        QVERIFY(!panel->isVisible());
        QVERIFY(!panel->findChild<QWidget*>("btnNextTip")->isVisibleTo(panel));
    }

    void startupSetting()
    {
        ClientConfig* config = ClientConfig::instanceClient();
        QVERIFY(config);
        config->setPrvcTipShownOnStartup(true);
        PrivacyTipPanel panel;
        panel.show();
        auto* box = panel.findChild<QCheckBox*>("cbPrivacyTipEnable");
        QVERIFY(box->isChecked());
        box->setChecked(false);
        QCOMPARE(config->isPrvcTipShownOnStartup(), false);
        panel.hide();
        box->setChecked(true);
        config->setPrvcTipShownOnStartup(false);
        panel.show();
        QVERIFY(!box->isChecked());
    }

private:
    QTemporaryDir m_data;
};

QTEST_MAIN(tst_WelcomeWidgets)
#include "tst_WelcomeWidgets.moc"
