#include "TrayIcon.h"

#include <AppConstants.h>
#include <ImageCache.h>
#include <NetworkCtlClient.h>

#include <QApplication>

namespace {

constexpr int MenuIconSize = 22;

const char* const MenuStyleSheet =
    "QMenu { font: solid \"Arial\"; font-size: 15px; border: 1px solid gray; color: black; "
    "background-color: white; padding: 5px 0px 5px 0px; border-bottom-right-radius: 4px; "
    "border-bottom-left-radius: 4px; }"
    "QMenu::icon { padding: 2px 20px 2px 26px; }"
    "QMenu::item { padding: 5px 18px 3px 47px; min-width: 85px; }"
    "QMenu::item:selected { background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #A2D052, "
    "stop: 0.3 #A2D052, stop: 0.31 #72B81F, stop: 1 #399C03); color: white; }"
    "QMenu::item:disabled { color: lightgray; }";

} // namespace

TrayIcon::TrayIcon(QObject* parent)
    : QSystemTrayIcon(parent)
    , m_activate(QIcon(QStringLiteral(":/Images/ActivateIcon.png")), QString())
    , m_stopActivating(QIcon(QStringLiteral(":/Images/DeactivateIcon.png")), QString())
    , m_deactivate(QIcon(QStringLiteral(":/Images/DeactivateIcon.png")), QString())
    , m_usage(QIcon(QStringLiteral(":/Images/UsageIcon.png")), QString())
    , m_settings(QIcon(QStringLiteral(":/Images/SettingsIcon.png")), QString())
    , m_account(QIcon(QStringLiteral(":/Images/YourAccountIcon.png")), QString())
    , m_help(QIcon(QStringLiteral(":/Images/HelpIcon.png")), QString())
    , m_about(QIcon(QStringLiteral(":/Images/AboutIcon.png")), QString())
    , m_quit(QIcon(QStringLiteral(":/Images/QuitIcon.png")), QString())
    , m_nativeMenu(std::make_unique<QMenu>())
{
    setMenuStyle();
    m_trayMenu.addActions({&m_status, &m_usage, &m_settings, &m_account, &m_help, &m_about, &m_quit});
    m_trayMenu.setTrayIcon(this);
    updateMenu();
    setContextMenu(m_nativeMenu.get());

    connect(&m_trayMenu, &QMenu::aboutToShow, this, &TrayIcon::updateMenu);
    connect(this, &QSystemTrayIcon::activated, this, &TrayIcon::trayIconClicked);
    connect(&m_activate, &QAction::triggered, this, &TrayIcon::activate);
    connect(&m_stopActivating, &QAction::triggered, this, &TrayIcon::cancelActivate);
    connect(&m_deactivate, &QAction::triggered, this, &TrayIcon::deactivate);
    connect(&m_status, &QAction::triggered, this, &TrayIcon::status);
    connect(&m_usage, &QAction::triggered, this, &TrayIcon::usage);
    connect(&m_settings, &QAction::triggered, this, &TrayIcon::settings);
    connect(&m_account, &QAction::triggered, this, &TrayIcon::account);
    connect(&m_help, &QAction::triggered, this, &TrayIcon::help);
    connect(&m_about, &QAction::triggered, this, &TrayIcon::about);
    connect(&m_quit, &QAction::triggered, this, &TrayIcon::quit);

    updateUi();
}

// The tray host lets go of the icon and its native menu before the menu goes.
TrayIcon::~TrayIcon()
{
    hide();
}

void TrayIcon::setMenuStyle()
{
    m_trayMenu.setStyleSheet(QLatin1String(MenuStyleSheet));
    auto style = std::make_unique<CustomIconSizeStyle>();
    style->setIconSize(MenuIconSize);
    m_trayMenu.setStyle(style.get());
    m_menuStyle = std::move(style);
}

void TrayIcon::updateUi()
{
    m_activate.setText(tr("Activate"));
    m_stopActivating.setText(tr("Stop activating"));
    m_deactivate.setText(tr("Deactivate"));
    m_status.setText(tr("Status"));
    m_usage.setText(tr("Usage"));
    m_settings.setText(tr("Settings"));
    m_account.setText(tr("Account"));
    m_help.setText(tr("Help"));
    m_about.setText(tr("About"));
    m_quit.setText(tr("Quit"));
}

void TrayIcon::enableActivate(bool enabled)
{
    m_activate.setEnabled(enabled);
}

void TrayIcon::showContextMenu()
{
    m_trayMenu.popupAtSystemTrayIcon();
}

QMenu* TrayIcon::contextMenu() const
{
    return const_cast<QOZMTrayMenu*>(&m_trayMenu);
}

void TrayIcon::onActivationState(ActivationState state)
{
    m_state = state;
    updateMenu();
}

void TrayIcon::onSubscriptionChanged(SubscriptionPointer sub)
{
    m_account.setEnabled(sub && sub->isValid());
}

void TrayIcon::onCanDeactivateChanged(bool canDeactivate)
{
    for (QAction* action : {&m_activate, &m_stopActivating, &m_deactivate})
        action->setEnabled(canDeactivate);
    if (!canDeactivate)
        removeActivationActions();
    updateMenu();
}

void TrayIcon::removeActivationActions()
{
    for (QAction* action : {&m_activate, &m_stopActivating, &m_deactivate})
        m_trayMenu.removeAction(action);
}

void TrayIcon::followNetworkSecurity()
{
    if (m_state != StateSecure && m_state != Deactivated)
        return;
    // After the backend clients are dropped at quit there is no network client;
    // the menu may still be shown or retranslated then.
    const NetworkCtlClient* network = NetworkCtlClient::inst();
    m_state = network && network->isConnectionSecured() ? StateSecure : Deactivated;
}

void TrayIcon::updateMenu()
{
    followNetworkSecurity();
    setIcon(ImageCache::loadTrayIcon(m_state));

    QString stateText;
    QString statusImage = QStringLiteral(":/Images/trayTransition.png");
    QAction* shown = nullptr;
    switch (m_state) {
    case Disconnected:
        stateText = tr(": Disconnected");
        statusImage = QStringLiteral(":/Images/trayDisconnected.png");
        shown = &m_activate;
        break;
    case StateSecure:
        stateText = tr(": Secure");
        statusImage = QStringLiteral(":/Images/traySecure.png");
        shown = &m_activate;
        break;
    case Deactivated:
        stateText = tr(": Deactivated");
        statusImage = QStringLiteral(":/Images/trayDeactivated.png");
        shown = &m_activate;
        break;
    case Activating:
        stateText = tr(": Activating");
        shown = &m_stopActivating;
        break;
    case Activated:
        stateText = tr(": Activated");
        statusImage = QStringLiteral(":/Images/trayActivated.png");
        shown = &m_deactivate;
        break;
    case Deactivating:
        stateText = tr(": Deactivating");
        removeActivationActions();
        break;
    }
    m_status.setIcon(QIcon(statusImage));
    if (shown) {
        for (QAction* action : {&m_activate, &m_stopActivating, &m_deactivate})
            if (action != shown)
                m_trayMenu.removeAction(action);
        m_trayMenu.insertActionIfEnabled(&m_status, shown);
    }
    setToolTip(gApplicationNameUI + stateText + tr("\nClick for menu"));
}

void TrayIcon::trayIconClicked(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case DoubleClick:
        emit status();
        break;
    case Context:
    case Trigger:
        if (m_trayMenu.isVisible())
            m_trayMenu.hide();
        else
            m_trayMenu.popupAtSystemTrayIcon();
        break;
    case Unknown:
    case MiddleClick:
        break;
    }
}

void TrayIcon::updateLocalizedUi()
{
    updateMenu();
    updateUi();
}
