#pragma once

#include <QSize>
#include <QString>

class Elevation;
class LoginItems;

namespace ozm {

// Runs "<app folder>/ozm_launch self-check"; true when the installation is sound.
bool self_check();
// Runs "<app folder>/ozm_launch self-repair" as the administrator, after the user
// has allowed it; true when the repair succeeded.
bool self_repair();
// Desktops here keep no application menu to take the item from.
void removeQuitMenuItem();
QString getComputerName();
// The distribution's own name for itself, with its version.
QString getOSVersion();

// Tests put a scripted elevation in place; null puts pkexec back.
void setElevation(Elevation* elevation);

} // namespace ozm

bool getLaunchAtLogin();
void setLaunchAtLogin(bool on);
// Tests put scripted login items in place; null puts the desktop's autostart back.
void setLoginItems(LoginItems* items);

// The tray icon's side in device pixels.
QSize bestTrayIconSize();
