#pragma once

#include "OZDialog.h"
#include "ui_Status.h"

#include <ActivationState.h>
#include <Location.h>

#include <QTimer>
#include <memory>

class VpnServer;
class WarningSound;
class WifiNameProbe;

// Name of a location text for display: "Identifying" while the service has
// not answered (null), "Unknown" when it named nothing (empty), else the text,
// kept on one line in a <pre> when wrap is set.
QString locationToText(const QString& text, bool wrap);

// Whether this computer's traffic is protected, at a glance: a coloured banner
// for the activation state, the local network, the location as the Internet
// sees it, the security and the time connected, and the one activation action
// that fits. It brings itself up on a change of state, goes again 5000 ms
// after a good state unless the user opened it, and sounds a warning when the
// computer is left unprotected on an insecure Wi-Fi network.
class Status : public OZDialog
{
    Q_OBJECT
public:
    // Null seams are the system's own: NetworkManager and the application
    // folder's tone.
    explicit Status(QWidget* parent = nullptr, std::unique_ptr<WifiNameProbe> wifiNameProbe = nullptr,
                    std::unique_ptr<WarningSound> warningSound = nullptr);
    ~Status() override;

signals:
    void activate();
    void deactivate();
    void cancelActivate();
    void disableStatusShowing();
    void enableStatusShowing();

public slots:
    void display() override;
    void displayByManualClick();
    void setActivationState(ActivationState state);
    void updateState(ActivationState state);
    void updateState();
    void setLocation(const Location& location);
    void setActivatingServer(const VpnServer& server);
    void setActivatingServer(const QString& server);
    void setCanDeactivate(bool can);
    void onWelcomeClosed();
    void showTimeConnectedFromNow();
    void hideTimeConnected();
    void applyBrandInfo();

    void playSound();
    void closeIfMust();
    void progressBarAnimation();
    void onTimeConnectedTick();

private slots:
    void on_btnActivate_clicked();
    void on_btnDeactivate_clicked();
    void on_btnCancelActivate_clicked();
    void on_swTop_currentChanged(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateUi();
    void updateDeactivatedState();
    void updateTypeOfNetworkConnectionLabel();
    void updateSsid();
    void cleanSsid();
    void readWifiName();
    void updateLocation();
    void updateServer();
    void setSecurityRowsColour(const QString& style);
    void showServerRow(bool show);

    Ui::Status m_ui;
    ActivationState m_state = Deactivated;
    QString m_locationAddress;
    QString m_locationDescription;
    QString m_locationThird;
    QString m_activatingServer;
    QString m_wifiName;
    QString m_connectionType;
    QTimer m_closeTimer{this};
    QTimer m_progressTimer{this};
    QTimer m_timeConnectedTimer{this};
    // The 200 ms between entering the red page and its warning.
    QTimer m_soundTimer{this};
    int m_secondsConnected = 0;
    bool m_progressNeedsReset = true;
    bool m_welcomeClosed = false;
    bool m_shownByManualClick = false;
    bool m_lastDisplayAutomatic = false;
    bool m_canDeactivate = true;
    std::unique_ptr<WifiNameProbe> m_wifiNameProbe;
    std::unique_ptr<WarningSound> m_warningSound;
};
