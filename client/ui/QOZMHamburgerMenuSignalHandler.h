#pragma once

#include <ActivationState.h>

#include <QObject>
#include <QSharedPointer>

// The one relay between every window's hamburger menu and the application:
// commands chosen in any panel go out through it, and the VPN state and the
// enabling rules come back through it to every panel. It lives while some
// panel (or other holder) keeps a shared pointer to it.
class QOZMHamburgerMenuSignalHandler : public QObject
{
    Q_OBJECT
public:
    static QSharedPointer<QOZMHamburgerMenuSignalHandler> inst();

    // Whether some panel is on screen; the main window does not close itself while one is.
    bool isMenuShown() const { return m_menuShown; }
    void setMenuShown(bool shown) { m_menuShown = shown; }

    void disableAllMenus() { emit requestDisableAllMenus(); }
    void enableAllMenus() { emit requestEnableAllMenus(); }
    void enableErrorSuitableMenus() { emit requestEnableErrorSuitableMenus(); }

signals:
    void closeAllMenus();
    void hmbrgrAbout();
    void hmbrgrHelp();
    void hmbrgrAccount();
    void hmbrgrSettings();
    void hmbrgrUsage();
    void hmbrgrStatus();
    void hmbrgrActivate();
    void hmbrgrDeactivate();
    void hmbrgrCancelActivate();
    void hmbrgrQuit();
    void setAccountMenuEnabled(bool enabled);
    void setCanDeactivate(bool canDeactivate);
    void setInitializationDependentMenusEnabled(bool enabled);
    void onHmbrgrMenuActStateChngd(ActivationState state);
    void requestDisableAllMenus();
    void requestEnableAllMenus();
    void requestEnableErrorSuitableMenus();

private:
    QOZMHamburgerMenuSignalHandler() = default;

    bool m_menuShown = false;
};
