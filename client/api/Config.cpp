#include "Config.h"

Config* Config::instance_ = nullptr;

Config::~Config() = default;

Config* Config::instance()
{
    if (!instance_)
        instance_ = new Config;
    return instance_;
}

void Config::drop()
{
    delete instance_;
    instance_ = nullptr;
}

Config::ActivateOption Config::getActivateOption() const
{
    return activateOption;
}

Config::ActivateOption Config::validateActivateOption(int option)
{
    return unsigned(option) <= unsigned(ActivateNever) ? ActivateOption(option) : ActivateOnUnsecuredWireless;
}

QString Config::getCurrentCluster() const
{
    return currentCluster;
}

QString Config::getCurrentServer() const
{
    return currentServer;
}

void Config::setCurrentCluster(const QString& cluster)
{
    currentCluster = cluster.isNull() ? getDefaultCluster() : cluster;
}

void Config::setCurrentServer(const QString& server)
{
    currentServer = server.isNull() ? getDefaultServer() : server;
}

void Config::setActivateOption(Config::ActivateOption option)
{
    activateOption = validateActivateOption(option);
}

QString Config::getDefaultCluster() const
{
    return QStringLiteral("");
}

QString Config::getDefaultServer() const
{
    return QStringLiteral("");
}

bool Config::isFirstRun() const
{
    return false;
}

quint64 Config::getTotalBytesServed() const
{
    return totalBytesServed;
}

void Config::setTotalBytesServed(quint64 bytes)
{
    totalBytesServed = bytes;
}
