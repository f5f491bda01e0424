#pragma once

#include "Config.h"

#include <QSettings>

// The settings kept in "<application name>.ini" in the data folder, with the
// client's own keys besides. The current cluster and server stay in memory and
// start as the saved defaults.
class ClientConfig : public Config
{
    Q_OBJECT
public:
    static const QString LoadOnStartupTag;
    static const QString ShowPrivacyTipOnStartupTag;
    static const QString ActivateOnInternetTag;
    static const QString LocaleTag;
    static const QString DefaultServerTag;
    static const QString DefaultClusterTag;
    static const QString FirstRunTag;
    static const QString LastHiddenVersionTag;
    static const QString TotalBytesServedTag;
    static const QString Version;

    ClientConfig();

    // Makes a ClientConfig the singleton when there is none; null when a plain
    // Config was made first.
    static ClientConfig* instanceClient();

    bool hasLoadOnStartup() const;
    // The login item itself, not the key.
    bool isLoadOnStartup() const;
    // Writes the key and changes the login item only when the login item differs.
    void setLoadOnStartup(bool on);

    bool isPrvcTipShownOnStartup() const;
    void setPrvcTipShownOnStartup(bool shown);
    QString getLocale() const;
    void setLocale(const QString& locale);
    void setDefaultServer(const QString& server);
    void setDefaultCluster(const QString& cluster);
    void clearFirstRun();
    int getLastHiddenVersion() const;
    void setLastHiddenVersion(int version);
    QString getVersion() const;
    void setVersion(const QString& version);

public slots:
    void setActivateOption(Config::ActivateOption option) override;
    QString getDefaultCluster() const override;
    QString getDefaultServer() const override;
    bool isFirstRun() const override;
    quint64 getTotalBytesServed() const override;
    void setTotalBytesServed(quint64 bytes) override;

private:
    QSettings settings;
};
