#include "HeaderWindow.h"
#include "I18n.h"
#include "ImageCache.h"
#include "PackFixture.h"
#include "QOZMHamburgerMenuSignalHandler.h"
#include "QtWarningsFail.h"
#include "UiTestKit.h"

#include <Folders.h>

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Relay = QOZMHamburgerMenuSignalHandler;

const char* const Buttons[] = {"btnActivateHmbrgr", "btnStatus", "btnUsage", "btnSettings",
                               "btnAccount", "btnHelp", "btnAbout", "btnQuit"};

// The names of the enabled buttons of the window's panel, in form order.
QStringList enabledButtons(const HeaderWindow& window)
{
    QStringList names;
    for (const char* name : Buttons)
        if (window.button(name)->isEnabled())
            names << QString::fromLatin1(name);
    return names;
}

QImage imageOf(const QString& path)
{
    return QPixmap(path).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

class tst_QOZMHamburgerMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The packer reports what it packed as critical lines; packing is no part of the test.
        QVERIFY(m_app.isValid() && m_data.isValid());
        Folders::setAppFolder(m_app.path());
        Folders::setAppDataFolder(m_data.path());
        QVERIFY(QDir().mkpath(I18n::getTranslationsDir()));
        QVERIFY(PackFixture::packTree(I18n::getLangContainerPath("de"),
                                      {{"translation.qm", PackFixture::readFile(OZM_GERMAN_CATALOGUE)}}));
        UiTestKit::prepare();
        qRegisterMetaType<ActivationState>();
    }

    void stateTable_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("status");
        QTest::newRow("Disconnected") << 0 << "Activate" << "ActivateIcon" << "trayDisconnected";
        QTest::newRow("StateSecure") << 1 << "Activate" << "ActivateIcon" << "traySecure";
        QTest::newRow("Deactivated") << 2 << "Activate" << "ActivateIcon" << "trayDeactivated";
        QTest::newRow("Activating") << 3 << "Stop activating" << "DeactivateIcon" << "trayTransition";
        QTest::newRow("Activated") << 4 << "Deactivate" << "DeactivateIcon" << "trayActivated";
    }
    void stateTable()
    {
        QFETCH(int, state);
        QFETCH(QString, text);
        QFETCH(QString, icon);
        QFETCH(QString, status);
        HeaderWindow window("Status");
        window.show();
        QPushButton* activate = window.button("btnActivateHmbrgr");
        auto* statusIcon = window.panel()->findChild<QLabel*>("iconStatusHmenu");
        Relay::inst()->onHmbrgrMenuActStateChngd(ActivationState(state));
        QCOMPARE(activate->text(), text);
        QCOMPARE(activate->icon().pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 imageOf(":/Images/" + icon + ".png"));
        QCOMPARE(statusIcon->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 ImageCache::loadPixmap(":/Images/" + status + ".png", statusIcon->size())
                     .toImage()
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied));
        QVERIFY(!activate->isHidden());

        // Deactivating hides the button and keeps its look; the next state brings it back.
        Relay::inst()->onHmbrgrMenuActStateChngd(Deactivating);
        QVERIFY(activate->isHidden());
        QCOMPARE(activate->text(), text);
        Relay::inst()->onHmbrgrMenuActStateChngd(ActivationState(9));
        QVERIFY(!activate->isHidden());
        QCOMPARE(activate->text(), text);
    }

    void activateButtonFollowsTheState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("emitted");
        QTest::newRow("Disconnected") << 0 << "hmbrgrActivate";
        QTest::newRow("StateSecure") << 1 << "hmbrgrActivate";
        QTest::newRow("Deactivated") << 2 << "hmbrgrActivate";
        QTest::newRow("Activating") << 3 << "hmbrgrCancelActivate";
        QTest::newRow("Activated") << 4 << "hmbrgrDeactivate";
        QTest::newRow("Deactivating") << 5 << "";
    }
    void activateButtonFollowsTheState()
    {
        QFETCH(int, state);
        QFETCH(QString, emitted);
        HeaderWindow window("Status");
        window.show();
        window.header()->showMenu();
        const auto relay = Relay::inst();
        relay->enableAllMenus();
        relay->onHmbrgrMenuActStateChngd(ActivationState(state));
        QStringList seen;
        QSignalSpy activated(relay.data(), &Relay::hmbrgrActivate);
        QSignalSpy cancelled(relay.data(), &Relay::hmbrgrCancelActivate);
        QSignalSpy deactivated(relay.data(), &Relay::hmbrgrDeactivate);
        window.button("btnActivateHmbrgr")->click();
        if (!activated.isEmpty())
            seen << "hmbrgrActivate";
        if (!cancelled.isEmpty())
            seen << "hmbrgrCancelActivate";
        if (!deactivated.isEmpty())
            seen << "hmbrgrDeactivate";
        QCOMPARE(seen, emitted.isEmpty() ? QStringList() : QStringList{emitted});
        QVERIFY(!window.header()->isMenuVisible());
    }

    void commandsReachTheRelay()
    {
        HeaderWindow window("Base");
        const auto relay = Relay::inst();
        relay->enableAllMenus();
        relay->setInitializationDependentMenusEnabled(true);
        relay->setAccountMenuEnabled(true);
        const QList<QPair<const char*, void (Relay::*)()>> commands{
            {"btnStatus", &Relay::hmbrgrStatus},   {"btnUsage", &Relay::hmbrgrUsage},
            {"btnSettings", &Relay::hmbrgrSettings}, {"btnAccount", &Relay::hmbrgrAccount},
            {"btnHelp", &Relay::hmbrgrHelp},       {"btnAbout", &Relay::hmbrgrAbout},
            {"btnQuit", &Relay::hmbrgrQuit}};
        for (const auto& command : commands) {
            QSignalSpy spy(relay.data(), command.second);
            window.header()->showMenu();
            window.button(command.first)->click();
            QVERIFY2(spy.count() == 1, command.first);
            QVERIFY(!window.header()->isMenuVisible());
        }
    }

    void enablingRules_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QStringList>("enabled");
        QTest::newRow("built") << "Status" << "" << QStringList{"btnActivateHmbrgr", "btnAbout", "btnQuit"};
        QTest::newRow("settings keeps its own button off")
            << "Settings" << "account" << QStringList{"btnActivateHmbrgr", "btnAccount", "btnAbout", "btnQuit"};
        QTest::newRow("account keeps its own button off")
            << "Account" << "account" << QStringList{"btnActivateHmbrgr", "btnSettings", "btnAbout", "btnQuit"};
        QTest::newRow("initialised, in the help window")
            << "MainHelp" << "init" << QStringList{"btnActivateHmbrgr", "btnStatus", "btnUsage", "btnAbout", "btnQuit"};
        QTest::newRow("enableAll keeps the about window's own off")
            << "About" << "account init all" << QStringList{"btnActivateHmbrgr", "btnStatus", "btnUsage",
                                                            "btnSettings", "btnAccount", "btnHelp", "btnQuit"};
        QTest::newRow("disableAll leaves Account on")
            << "Status" << "account disable" << QStringList{"btnAccount"};
        QTest::newRow("disableAll leaves Account off") << "Status" << "disable" << QStringList{};
        QTest::newRow("error: only Quit")
            << "Base" << "account init all error" << QStringList{"btnQuit"};
    }
    void enablingRules()
    {
        QFETCH(QString, window);
        QFETCH(QString, calls);
        QFETCH(QStringList, enabled);
        HeaderWindow dialog(window);
        const auto relay = Relay::inst();
        relay->onHmbrgrMenuActStateChngd(Activated);
        for (const QString& call : calls.split(' ', Qt::SkipEmptyParts)) {
            if (call == "account")
                relay->setAccountMenuEnabled(true);
            else if (call == "init")
                relay->setInitializationDependentMenusEnabled(true);
            else if (call == "all")
                relay->enableAllMenus();
            else if (call == "disable")
                relay->disableAllMenus();
            else if (call == "error")
                relay->enableErrorSuitableMenus();
        }
        QCOMPARE(enabledButtons(dialog), enabled);
        if (calls.contains("disable") || calls.contains("error"))
            QCOMPARE(dialog.button("btnActivateHmbrgr")->text(), QString("Activate"));
    }

    void oneCloseHidesEveryPanel()
    {
        HeaderWindow first("Status");
        HeaderWindow second("Settings");
        first.show();
        second.show();
        first.header()->showMenu();
        second.header()->showMenu();
        QVERIFY(Relay::inst()->isMenuShown());
        first.button("btnClose_Text")->click();
        QVERIFY(!first.header()->isMenuVisible());
        QVERIFY(!second.header()->isMenuVisible());
        QVERIFY(!Relay::inst()->isMenuShown());
    }

    void panelCoversItsWindow()
    {
        HeaderWindow window("Usage");
        QSignalSpy shown(window.header(), &QOZMHamburgerMenuWidget::aboutToShow);
        QSignalSpy hidden(window.header(), &QOZMHamburgerMenuWidget::aboutToHide);
        window.show();
        QApplication::setActiveWindow(&window);
        QTest::mouseClick(window.header()->findChild<QLabel*>("lbHmbrgrMenuText"), Qt::LeftButton);
        QVERIFY(window.header()->isMenuVisible());
        QCOMPARE(shown.count(), 1);
        QCOMPARE(window.panel()->geometry(), window.rect());
        window.resize(520, 610);
        QCOMPARE(window.panel()->geometry(), QRect(0, 0, 520, 610));
        QCOMPARE(QApplication::focusWidget(), window.button("btnClose_Text"));

        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.header()->isMenuVisible());
        QVERIFY(window.isVisible());
        QCOMPARE(hidden.count(), 1);

        QTest::mouseClick(window.header()->menuLabel(), Qt::LeftButton);
        QVERIFY(window.header()->isMenuVisible());
        window.hide();
        QVERIFY(!window.header()->isMenuVisible());
    }

    void clickOnTheClearPartCloses()
    {
        HeaderWindow window("Usage");
        window.show();
        window.header()->showMenu();
        QTest::mouseClick(window.panel()->findChild<QWidget*>("transparent_space"), Qt::LeftButton);
        QVERIFY(!window.header()->isMenuVisible());
    }

    void hoverSetsFocusedProperty()
    {
        HeaderWindow window("Status");
        window.show();
        QApplication::setActiveWindow(&window);
        Relay::inst()->setInitializationDependentMenusEnabled(true);
        window.header()->showMenu();
        QWidget* row = window.panel()->findChild<QWidget*>("wgetStatus");
        QPushButton* status = window.button("btnStatus");
        QEvent enter(QEvent::Enter);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(row, &enter);
        // Status is this window's own button and stays off, so the row does not light up.
        QVERIFY(!row->property("focused").isValid());
        QPushButton* usage = window.button("btnUsage");
        QApplication::sendEvent(usage, &enter);
        QCOMPARE(usage->property("focused").toString(), QString("on"));
        QCOMPARE(QApplication::focusWidget(), usage);
        QApplication::sendEvent(usage, &leave);
        QCOMPARE(usage->property("focused").toString(), QString("off"));
        QVERIFY(!status->isEnabled());
    }

    void relayLivesWithItsPanels()
    {
        QPointer<Relay> relay;
        {
            HeaderWindow first("Status");
            auto second = std::make_unique<HeaderWindow>("Usage");
            relay = Relay::inst().data();
            QVERIFY(relay);
            second.reset();
            QCOMPARE(Relay::inst().data(), relay.data());
        }
        QVERIFY(!relay);
        QVERIFY(Relay::inst());
    }

    void followsTheLanguage()
    {
        HeaderWindow window("Status");
        Relay::inst()->onHmbrgrMenuActStateChngd(Disconnected);
        // Each switch reports the locales it sets: the default first, then the chosen one.
        for (const char* code : {"en", "de", "en"})
            QtWarningsFail::expect(QtCriticalMsg, QStringLiteral("[I18n] App locale was was set to %1").arg(code));
        I18n::instance()->setLanguage("de");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(window.button("btnActivateHmbrgr")->text(), QString("Aktivieren"));
        QCOMPARE(window.button("btnClose_Text")->text(), QString("MENÜ"));
        QCOMPARE(window.header()->findChild<QLabel*>("lbHmbrgrMenuText")->text(), QString("MENÜ"));
        QCOMPARE(window.button("btnQuit")->text(), QString("Beenden"));
        I18n::instance()->setLanguage("en");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(window.button("btnActivateHmbrgr")->text(), QString("Activate"));
        QCOMPARE(window.button("btnQuit")->text(), QString("Quit"));
        I18n::drop();
    }

private:
    QTemporaryDir m_app;
    QTemporaryDir m_data;
};

QTEST_MAIN(tst_QOZMHamburgerMenu)
#include "tst_QOZMHamburgerMenu.moc"
