#include "SystemFunctions.h"

#include "Folders.h"
#include "HostProbes.h"
#include "HostFacts.h"
#include "PkexecElevation.h"
#include "XdgAutostart.h"

#include <execute_manager.h>

#include <QDebug>
#include <QGuiApplication>

#include <unistd.h>

namespace {

Elevation* installedElevation = nullptr;
LoginItems* installedLoginItems = nullptr;

// The panels' usual height, less the margin the icon keeps inside it.
const int TrayBarThickness = 22;
const int TrayIconMargin = 4;

Elevation& elevation()
{
    if (installedElevation)
        return *installedElevation;
    static PkexecElevation pkexec;
    return pkexec;
}

LoginItems& loginItems()
{
    if (installedLoginItems)
        return *installedLoginItems;
    static XdgAutostart autostart;
    return autostart;
}

QString launcherPath()
{
    return Folders::app_folder + QLatin1String("/ozm_launch");
}

QString repairFailure(const Elevation::Outcome& outcome)
{
    if (!outcome.finished)
        return outcome.errorOutput;
    switch (outcome.exitCode) {
    case PkexecElevation::DialogDismissed:
        return QStringLiteral("The administrator password is required to do this.");
    case PkexecElevation::NotAuthorised:
        return outcome.errorOutput.trimmed();
    default:
        // The repair's own log says what it could not mend.
        return outcome.output;
    }
}

} // namespace

bool ozm::self_check()
{
    QString output;
    int exitCode = -1;
    if (!execute_manager::execute_and_get_stdout(output, launcherPath(), {QStringLiteral("self-check")}, &exitCode)) {
        qCritical("Failed to perform self-check operation");
        return false;
    }
    qCritical().noquote() << "Self-check result:" << output;
    return exitCode == 0;
}

bool ozm::self_repair()
{
    const Elevation::Outcome outcome = elevation().runAsAdministrator(launcherPath(), {QStringLiteral("self-repair")});
    if (outcome.finished && outcome.exitCode == 0) {
        qCritical().noquote() << "Self repair success:" << outcome.output;
        return true;
    }
    qCritical().noquote() << "Self repair failed:" << repairFailure(outcome);
    return false;
}

void ozm::removeQuitMenuItem()
{
}

QString ozm::getComputerName()
{
    char name[255] = {};
    gethostname(name, sizeof name - 1);
    return QString::fromUtf8(name);
}

QString ozm::getOSVersion()
{
    const QMap<QString, QString> release = hostFacts().osRelease();
    const QString pretty = release.value(QStringLiteral("PRETTY_NAME"));
    if (!pretty.isEmpty())
        return pretty;
    const QString name = release.value(QStringLiteral("NAME"));
    if (!name.isEmpty())
        return (name + QLatin1Char(' ') + release.value(QStringLiteral("VERSION_ID"))).trimmed();
    return QStringLiteral("An unknown and currently unsupported platform");
}

void ozm::setElevation(Elevation* elevation)
{
    installedElevation = elevation;
}

bool getLaunchAtLogin()
{
    return loginItems().launchesAtLogin();
}

void setLaunchAtLogin(bool on)
{
    loginItems().setLaunchAtLogin(on);
}

void setLoginItems(LoginItems* items)
{
    installedLoginItems = items;
}

QSize bestTrayIconSize()
{
    const int side = int((TrayBarThickness - TrayIconMargin) * qGuiApp->devicePixelRatio());
    return QSize(side, side);
}
