#pragma once

#include "ui_QOZMHamburgerMenu.h"

#include <ActivationState.h>

#include <QSharedPointer>
#include <QWidget>

class QOZMHamburgerMenuSignalHandler;

// The panel that slides over a window with the client's commands. Every panel
// of the process forwards its commands to the one relay and follows the state
// and enabling rules the relay hands back.
class QOZMHamburgerMenu : public QWidget
{
    Q_OBJECT
public:
    explicit QOZMHamburgerMenu(QWidget* parent = nullptr);

    void setDefaultFocus();

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
    void aboutToShow();
    void aboutToHide();

public slots:
    void setAccountMenuEnabled(bool enabled);
    void setCanDeactivate(bool canDeactivate);
    void onHmbrgrMenuActStateChngd(ActivationState state);
    void setInitializationDependentMenusEnabled(bool enabled);
    void on_btnActivateHmbrgr_clicked();
    void on_btnStatus_clicked();
    void on_btnUsage_clicked();
    void on_btnSettings_clicked();
    void on_btnAccount_clicked();
    void on_btnHelp_clicked();
    void on_btnAbout_clicked();
    void on_btnQuit_clicked();
    void disableAllMenus();
    void enableAllMenus();
    void enableErrorSuitableMenus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void connectSignals();
    // The button that would open the window this panel lies over, if any.
    QPushButton* ownButton() const;
    void disableOwnWindowButton();
    void setUnlessOwn(QPushButton* button, bool enabled);
    void setFocused(QWidget* widget, bool on);
    void hoverEntered(QWidget* widget);
    void hoverLeft(QWidget* widget);

    Ui::QOZMHamburgerMenu m_ui;
    QSharedPointer<QOZMHamburgerMenuSignalHandler> m_relay;
    ActivationState m_state = Disconnected;
    bool m_canDeactivate = true;
};
