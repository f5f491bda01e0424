#include "ShownWindows.h"

#include "Account.h"
#include "ChangePassword.h"
#include "Clock.h"
#include "ClientConfig.h"
#include "DiagnosticsWindows.h"
#include "HeaderWindow.h"
#include "HelpIcon.h"
#include "MainHelpTab.h"
#include "Browser.h"
#include "I18n.h"
#include "MainHelp.h"
#include "QOZMHamburgerMenuSignalHandler.h"
#include "ServicesBench.h"
#include "Settings.h"
#include "SharedTexts.h"
#include "MeteredSubscription.h"
#include "SplashDlg.h"
#include "StandInTrayMenu.h"
#include "StatusWindows.h"
#include "UsageWindows.h"
#include "UnlimitedSubscription.h"
#include "VpnServerList.h"
#include "Welcome.h"
#include "coBranding.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QStackedWidget>
#include <QMetaEnum>
#include <QVBoxLayout>

namespace {

using Keys = QMap<QString, QString>;

bool onOff(const Keys& keys, const QString& key, bool fallback, QString* error)
{
    const QString value = keys.value(key, fallback ? "on" : "off");
    if (value != "on" && value != "off")
        *error = key + " takes on or off, not " + value;
    return value == "on";
}

std::unique_ptr<QWidget> showBase(const Keys& keys, QString* error)
{
    auto window = std::make_unique<HeaderWindow>(keys.value("name", "Base"));
    const auto relay = QOZMHamburgerMenuSignalHandler::inst();
    relay->enableAllMenus();
    relay->setAccountMenuEnabled(onOff(keys, "account", true, error));
    relay->setInitializationDependentMenusEnabled(onOff(keys, "init", true, error));
    bool stateOk = false;
    const int state = keys.value("state", "4").toInt(&stateOk);
    if (!stateOk || state < 0 || state > 5)
        *error = "state takes 0 to 5";
    relay->onHmbrgrMenuActStateChngd(ActivationState(state));
    window->move(200, 150);
    window->show();
    const QString menu = keys.value("menu", "closed");
    if (menu == "open")
        window->header()->showMenu();
    else if (menu != "closed")
        *error = "menu takes open or closed";
    return window;
}

std::unique_ptr<QWidget> showTrayMenu(const Keys& keys, QString* error)
{
    const QString where = keys.value("trayicon", "1000,0,24,24");
    std::unique_ptr<StandInTrayMenu> menu;
    if (where == "none") {
        menu.reset(StandInTrayMenu::withoutIcon());
    } else {
        const QStringList parts = where.split(',');
        QList<int> numbers;
        for (const QString& part : parts)
            numbers << part.toInt();
        if (parts.size() != 4) {
            *error = "trayicon takes x,y,w,h or none";
            return nullptr;
        }
        menu = std::make_unique<StandInTrayMenu>(QRect(numbers[0], numbers[1], numbers[2], numbers[3]));
    }
    menu->addClientActions();
    menu->popupAtSystemTrayIcon();
    return menu;
}

std::unique_ptr<QWidget> showHelpIcon(const Keys& keys, QString* error)
{
    auto window = std::make_unique<OZDialog>();
    window->setObjectName("HelpIconWindow");
    window->setStyleSheet("OZDialog { background: white; }");
    auto* layout = new QVBoxLayout(window.get());
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    auto* label = new QLabel("Connect at start-up", window.get());
    label->setObjectName("lbOption");
    row->addWidget(label);
    auto* icon = new HelpIcon(window.get());
    icon->setObjectName("lHelpAutoConnect");
    icon->setHelpCaption("Connect at start-up");
    icon->setHelpText("The VPN is activated as soon as the client starts.");
    row->addWidget(icon);
    // Texts of the brand and of the clock, so that their keys show.
    auto* support = new QLabel(coBranding::inst()->support_email->getStrData(), window.get());
    support->setObjectName("lbSupportEmail");
    layout->addWidget(support);
    auto* copyright = new QLabel(AboutCopyrigh(), window.get());
    copyright->setObjectName("lbCopyright");
    copyright->setTextFormat(Qt::RichText);
    layout->addWidget(copyright);
    window->resize(300, 120);
    window->move(keys.value("x", "200").toInt(), 200);
    window->display();
    const QString popup = keys.value("popup", "closed");
    if (popup == "open") {
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(icon, &enter);
    } else if (popup != "closed") {
        *error = "popup takes open or closed";
    }
    return window;
}

uint numberKey(const Keys& keys, const QString& key, uint fallback, QString* error)
{
    bool ok = false;
    const uint value = keys.value(key, QString::number(fallback)).toUInt(&ok);
    if (!ok)
        *error = key + " takes a number";
    return value;
}

std::unique_ptr<QWidget> showAccount(const Keys& keys, QString* error)
{
    auto window = std::make_unique<Account>();
    auto data = QSharedPointer<ClientAuthData>::create();
    window->init(data);
    data->setEmail(keys.value("email", "user@example.org"));
    data->setDevName(keys.value("devname", "Desk"));
    data->setDevicesNumber(numberKey(keys, "limit", 5, error), numberKey(keys, "count", 2, error));
    const QDateTime now = Clock::now();
    const QString kind = keys.value("subscription", "unlimited");
    if (kind == "metered")
        data->setSubscription(SubscriptionPointer(
            new MeteredSubscription("", "Pay as you go", 300 * 1024 * 1024, 1024 * 1024 * 1024)));
    else if (kind == "unlimited" || kind == "expired")
        data->setSubscription(SubscriptionPointer(new UnlimitedSubscription(
            "Premium year", "Premium", now.addDays(-335), now.addDays(kind == "expired" ? -2 : 30), 365,
            kind == "expired" ? 0 : 30, 0)));
    else if (kind != "none")
        *error = "subscription takes metered, unlimited, expired or none";
    window->move(200, 150);
    window->display();
    return window;
}

std::unique_ptr<QWidget> showPassword(const Keys& keys, QString* error)
{
    auto window = std::make_unique<ChangePassword>();
    window->move(200, 150);
    window->displayChangePassword();
    const QString state = keys.value("state", "idle");
    if (state == "idle")
        return window;
    for (const char* name : {"oldPasswordEdit", "newPasswordEdit", "newPasswordConfirmEdit"})
        window->findChild<QLineEdit*>(name)->setText(name == QLatin1String("oldPasswordEdit") ? "old secret" : "new secret");
    window->findChild<QPushButton*>("changePasswordButton")->click();
    if (state == "refused")
        window->onPasswordValidateFailed(ChangePassword::Refused, "The old password is not correct.");
    else if (state == "offline")
        window->onPasswordValidateFailed(ChangePassword::ExchangeFailed, QString());
    else if (state != "validating")
        *error = "state takes idle, validating, refused or offline";
    return window;
}

// servers=FILE holds one server or location record per line; services=FILE a
// reply of the service list, served by a stand-in service for the run.
std::unique_ptr<QWidget> showSettings(const Keys& keys, QString* error)
{
    // The stand-in goes before the application, its process with it.
    static std::unique_ptr<ServicesBench> bench;
    bench = std::make_unique<ServicesBench>();
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { bench.reset(); });
    QList<VpnServer> servers;
    QList<VpnCluster> clusters;
    if (keys.contains("servers")) {
        QFile file(keys.value("servers"));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            *error = "cannot read " + file.fileName();
            return nullptr;
        }
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
            const VpnServer server = VpnServer::fromString(line);
            const VpnCluster cluster = VpnCluster::fromString(line);
            if (!server.name.isEmpty())
                servers << server;
            else if (!cluster.name.isEmpty())
                clusters << cluster;
            else
                *error = "servers: no server or location in " + line;
        }
    }
    if (keys.contains("default")) {
        ClientConfig::instanceClient()->setDefaultCluster(keys.value("default"));
        ClientConfig::instanceClient()->setCurrentCluster(keys.value("default"));
    }
    if (keys.contains("services")) {
        QFile file(keys.value("services"));
        if (!file.open(QIODevice::ReadOnly)) {
            *error = "cannot read " + file.fileName();
            return nullptr;
        }
        bench->replyServices(file.readAll());
    }
    QSharedPointer<VpnServerList> list(new VpnServerList);
    list->set(servers, clusters);
    auto dialog = std::make_unique<Settings>();
    dialog->init(bench->access, bench->account, list);
    QSignalSpy listed(dialog.get(), &Settings::servicesListUpdated);
    dialog->move(200, 100);
    dialog->display();
    if (keys.contains("services") && !listed.wait(10000))
        *error = "the services did not come";
    bool tabOk = false;
    const int tab = keys.value("tab", "0").toInt(&tabOk);
    if (!tabOk || tab < 0 || tab > 1)
        *error = "tab takes 0 or 1";
    dialog->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(tab);
    return dialog;
}

// A progress dialog, alone or docked into a stand-in of the Help window's test
// tab; "loop" runs its bar.
std::unique_ptr<QWidget> showSplash(const Keys& keys, QString* error)
{
    for (const char* key : {"loop", "docked"})
        if (!QStringList{"0", "1"}.contains(keys.value(key, "0")))
            *error = QStringLiteral("%1 takes 0 or 1").arg(key);
    auto splash = std::make_unique<SplashDlg>(true, true, nullptr);
    splash->runProgressBar(keys.value("loop") == "1");
    std::unique_ptr<QWidget> window;
    if (keys.value("docked") == "1") {
        window = std::make_unique<QWidget>();
        window->setObjectName("MainHelpTestTab");
        auto* tabStack = new QStackedWidget(window.get());
        tabStack->setObjectName("tabStack");
        tabStack->addWidget(new QLabel("Connectivity Test", tabStack));
        auto* host = new QWidget(tabStack);
        host->setObjectName("tabHost");
        new QVBoxLayout(host);
        tabStack->addWidget(host);
        (new QVBoxLayout(window.get()))->addWidget(tabStack);
        hMainHelp.tabStack = tabStack;
        hMainHelp.tabHost = host;
        window->resize(420, 320);
        window->show();
    }
    splash->display(keys.value("title", "Performing Connectivity Test"),
                    keys.value("text", "Ozmira is checking the network.\nPlease wait."));
    if (!window)
        return splash;
    // The tab owns it now.
    static_cast<void>(splash.release());
    return window;
}

// The main window on one screen: screen=<name, e.g. ScreenError>, args=<a|b|c>
// (the words true and false become bools), traffic=<bytes left>, failed=<server>.
std::unique_ptr<QWidget> showWelcome(const Keys& keys, QString* error)
{
    const QString name = keys.value("screen", "ScreenConfiguring");
    bool known = false;
    const int screen = QMetaEnum::fromType<Welcome::ScreenType>().keyToValue(qPrintable(name), &known);
    if (!known || screen <= Welcome::ScreenNone || screen >= Welcome::SIZE) {
        *error = "screen takes a screen name such as ScreenError, not " + name;
        return nullptr;
    }
    QList<QVariant> args;
    if (keys.contains("args"))
        for (const QString& part : keys.value("args").split('|'))
            args << (part == "true" || part == "false" ? QVariant(part == "true") : QVariant(part));
    auto window = std::make_unique<Welcome>();
    window->startInitialOpening();
    window->finishInitialOpening();
    window->move(200, 60);
    window->show();
    if (keys.contains("traffic"))
        window->setTrafficNotification(keys.value("traffic").toLongLong());
    if (keys.contains("failed"))
        window->setFailedServer(keys.value("failed"));
    window->setActivatingServer(keys.value("server", "Frankfurt"));
    window->showScreen(Welcome::ScreenType(screen), args);
    return window;
}

// A number key within [0, last].
int indexKey(const Keys& keys, const QString& key, int last, QString* error)
{
    bool ok = false;
    const int value = keys.value(key, "0").toInt(&ok);
    if (!ok || value < 0 || value > last)
        *error = QStringLiteral("%1 takes 0 to %2").arg(key).arg(last);
    return value;
}

std::unique_ptr<QWidget> showHelp(const Keys& keys, QString* error)
{
    auto window = std::make_unique<MainHelp>();
    const int tab = indexKey(keys, "tab", 3, error);
    window->display();
    window->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(tab);
    return window;
}

// The pages come from the brand texts (--set brand.help_url=...) and load in
// the real web engine.
std::unique_ptr<QWidget> showBrowser(const Keys& keys, QString* error)
{
    I18n::instance()->setBrandText(
        [](const QString& item) { return coBranding::inst()->getItemByName(item)->getStrData(); });
    auto window = std::make_unique<Browser>();
    window->display(OnlineContentTypes(indexKey(keys, "type", 5, error)));
    return window;
}

struct Entry
{
    const char* name;
    QStringList keys;
    std::unique_ptr<QWidget> (*show)(const Keys&, QString*);
};

const Entry Entries[] = {
    {"base", {"name", "menu", "state", "account", "init"}, showBase},
    {"traymenu", {"trayicon"}, showTrayMenu},
    {"helpicon", {"x", "popup"}, showHelpIcon},
    {"status", {"state", "states", "secured", "wifi", "wifisec", "conntype", "location", "server"}, StatusWindows::showStatus},
    {"about", {}, StatusWindows::showAbout},
    {"update", {"description", "version", "hidden"}, StatusWindows::showUpdate},
    {"usage", {"sessions", "all", "traffic", "services", "filter"}, UsageWindows::showUsage},
    {"graph", {"sessions", "all", "mode", "size", "graph-dump"}, UsageWindows::showGraph},
    {"account", {"email", "devname", "limit", "count", "subscription"}, showAccount},
    {"password", {"state"}, showPassword},
    {"settings", {"servers", "default", "services", "tab"}, showSettings},
    {"splash", {"title", "text", "loop", "docked"}, showSplash},
    {"welcome", {"screen", "args", "traffic", "failed", "server"}, showWelcome},
    {"help", {"tab"}, showHelp},
    {"browser", {"type"}, showBrowser},
    {"ctreport", {"passed", "wifi", "ssid", "server", "docked"}, DiagnosticsWindows::showResults},
    {"sendreport", {"page", "email", "name", "error"}, DiagnosticsWindows::showSendReport},
    {"wifinotice", {"ticks", "outcome"}, DiagnosticsWindows::showWifiNotice},
};

} // namespace

QStringList ShownWindows::names()
{
    QStringList result;
    for (const Entry& entry : Entries)
        result << entry.name;
    return result;
}

std::unique_ptr<QWidget> ShownWindows::show(const QString& name, const Keys& keys, QString* error)
{
    for (const Entry& entry : Entries) {
        if (name != entry.name)
            continue;
        for (const QString& key : keys.keys())
            if (!entry.keys.contains(key)) {
                *error = QStringLiteral("%1 has no key %2").arg(name, key);
                return nullptr;
            }
        std::unique_ptr<QWidget> window = entry.show(keys, error);
        return error->isEmpty() ? std::move(window) : nullptr;
    }
    *error = "no window " + name + "; there are " + names().join(", ");
    return nullptr;
}
