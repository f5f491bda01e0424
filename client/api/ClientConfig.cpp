#include "ClientConfig.h"

#include "Folders.h"
#include "SystemFunctions.h"

#include <AppConstants.h>

#include <QDebug>
#include <QDir>

const QString ClientConfig::LoadOnStartupTag = QStringLiteral("LoadOnStartup");
const QString ClientConfig::ShowPrivacyTipOnStartupTag = QStringLiteral("IsPrivacyTipShownOnStartup");
const QString ClientConfig::ActivateOnInternetTag = QStringLiteral("ActivateOnInternet");
const QString ClientConfig::LocaleTag = QStringLiteral("Locale");
const QString ClientConfig::DefaultServerTag = QStringLiteral("DefaultServer");
const QString ClientConfig::DefaultClusterTag = QStringLiteral("DefaultCluster");
const QString ClientConfig::FirstRunTag = QStringLiteral("IsFirstRun");
const QString ClientConfig::LastHiddenVersionTag = QStringLiteral("LastHiddenVersion");
const QString ClientConfig::TotalBytesServedTag = QStringLiteral("TotalBytes");
const QString ClientConfig::Version = QStringLiteral("Version");

ClientConfig::ClientConfig()
    : settings(Folders::app_data_folder + QDir::separator() + gApplicationName + QLatin1String(".ini"),
               QSettings::IniFormat)
{
    qDebug() << "Configuration file:" << settings.fileName();
    activateOption = validateActivateOption(settings.value(ActivateOnInternetTag, 0).toInt());
    setCurrentCluster(getDefaultCluster());
    setCurrentServer(getDefaultServer());
}

ClientConfig* ClientConfig::instanceClient()
{
    if (!instance_)
        instance_ = new ClientConfig;
    return qobject_cast<ClientConfig*>(instance());
}

bool ClientConfig::hasLoadOnStartup() const
{
    return settings.contains(LoadOnStartupTag);
}

bool ClientConfig::isLoadOnStartup() const
{
    return getLaunchAtLogin();
}

// Where the login item is already as asked, the key stays untouched: absent on a
// first start, it makes the next start try again.
void ClientConfig::setLoadOnStartup(bool on)
{
    if (getLaunchAtLogin() == on)
        return;
    settings.setValue(LoadOnStartupTag, on);
    setLaunchAtLogin(on);
}

bool ClientConfig::isPrvcTipShownOnStartup() const
{
    return settings.value(ShowPrivacyTipOnStartupTag, true).toBool();
}

void ClientConfig::setPrvcTipShownOnStartup(bool shown)
{
    settings.setValue(ShowPrivacyTipOnStartupTag, shown);
}

QString ClientConfig::getLocale() const
{
    return settings.value(LocaleTag, QString()).toString();
}

void ClientConfig::setLocale(const QString& locale)
{
    settings.setValue(LocaleTag, locale);
}

void ClientConfig::setDefaultServer(const QString& server)
{
    settings.setValue(DefaultServerTag, server);
}

void ClientConfig::setDefaultCluster(const QString& cluster)
{
    settings.setValue(DefaultClusterTag, cluster);
}

void ClientConfig::clearFirstRun()
{
    settings.setValue(FirstRunTag, false);
}

int ClientConfig::getLastHiddenVersion() const
{
    return settings.value(LastHiddenVersionTag, -1).toInt();
}

void ClientConfig::setLastHiddenVersion(int version)
{
    settings.setValue(LastHiddenVersionTag, version);
}

QString ClientConfig::getVersion() const
{
    return settings.value(Version, QStringLiteral("0")).toString();
}

void ClientConfig::setVersion(const QString& version)
{
    settings.setValue(Version, version);
}

void ClientConfig::setActivateOption(Config::ActivateOption option)
{
    if (option == activateOption)
        return;
    activateOption = validateActivateOption(option);
    settings.setValue(ActivateOnInternetTag, int(activateOption));
}

QString ClientConfig::getDefaultCluster() const
{
    return settings.value(DefaultClusterTag, QStringLiteral("")).toString();
}

QString ClientConfig::getDefaultServer() const
{
    return settings.value(DefaultServerTag, QStringLiteral("")).toString();
}

bool ClientConfig::isFirstRun() const
{
    return settings.value(FirstRunTag, true).toBool();
}

quint64 ClientConfig::getTotalBytesServed() const
{
    return settings.value(TotalBytesServedTag, 0).toULongLong();
}

void ClientConfig::setTotalBytesServed(quint64 bytes)
{
    settings.setValue(TotalBytesServedTag, bytes);
}
