#pragma once

#include "LoginItems.h"

#include <QCoreApplication>
#include <QString>

// Desktop sessions start what the user's autostart folder lists
// ($XDG_CONFIG_HOME/autostart, ~/.config/autostart by default). The client is
// listed when an entry there runs its executable and is not hidden.
class XdgAutostart : public LoginItems
{
public:
    explicit XdgAutostart(const QString& executable = QCoreApplication::applicationFilePath());

    bool launchesAtLogin() override;
    // On writes the client's own entry whole or not at all; off removes every entry that
    // runs the executable, whoever wrote it.
    void setLaunchAtLogin(bool on) override;

private:
    QStringList entriesRunningExecutable(bool includeHidden) const;

    QString executable;
};
