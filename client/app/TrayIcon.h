#pragma once

#include "CustomIconSizeStyle.h"

#include <ActivationState.h>
#include <QOZMTrayMenu.h>
#include <Subscription.h>

#include <QAction>
#include <QSystemTrayIcon>

#include <memory>

// The client's tray icon: the activation state as an image and a tool tip,
// and the menu a click on it toggles. Every menu entry only emits a signal;
// the application controller turns them into actions.
class TrayIcon : public QSystemTrayIcon
{
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    void setMenuStyle();
    void updateUi();
    void enableActivate(bool enabled);
    void showContextMenu();
    QMenu* contextMenu() const;

signals:
    void activate();
    void cancelActivate();
    void deactivate();
    void settings();
    void usage();
    void status();
    void account();
    void help();
    void about();
    void quit();

public slots:
    void onActivationState(ActivationState state);
    void onSubscriptionChanged(SubscriptionPointer sub);
    void onCanDeactivateChanged(bool canDeactivate);
    void updateMenu();
    void trayIconClicked(QSystemTrayIcon::ActivationReason reason);
    void updateLocalizedUi();

private:
    void removeActivationActions();
    // Outside a VPN session the network alone tells secure from deactivated.
    void followNetworkSecurity();

    // Declared before the menu that draws with it, so that it outlives the menu.
    std::unique_ptr<CustomIconSizeStyle> m_menuStyle;
    QOZMTrayMenu m_trayMenu;
    QAction m_activate;
    QAction m_stopActivating;
    QAction m_deactivate;
    QAction m_status;
    QAction m_usage;
    QAction m_settings;
    QAction m_account;
    QAction m_help;
    QAction m_about;
    QAction m_quit;
    ActivationState m_state = Disconnected;
    // Set as the icon's own context menu so that the system shows none of its own.
    std::unique_ptr<QMenu> m_nativeMenu;
};
