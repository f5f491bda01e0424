#pragma once

#include "QOZMTrayMenu.h"

#include <QSystemTrayIcon>

// The tray menu under an icon placed where the test says: without a tray host
// no real icon reports a place. An empty rectangle is a host that does not tell;
// withoutIcon() leaves the menu with no icon at all.
class StandInTrayMenu : public QOZMTrayMenu
{
public:
    explicit StandInTrayMenu(const QRect& iconGeometry);
    static StandInTrayMenu* withoutIcon();

    // The client's tray actions, the activate one first.
    void addClientActions();

protected:
    QRect trayIconGeometry() const override { return m_iconGeometry; }

private:
    QSystemTrayIcon m_icon;
    QRect m_iconGeometry;
};
