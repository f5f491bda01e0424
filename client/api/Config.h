#pragma once

#include <QObject>
#include <QString>

// The client's settings, kept in memory. ClientConfig keeps them on disk; the
// application makes one of the two the process's singleton.
class Config : public QObject
{
    Q_OBJECT
public:
    // When the VPN comes up without the user asking.
    enum ActivateOption {
        ActivateOnUnsecuredWireless = 0,
        ActivateOnAnyConnection = 1,
        ActivateNever = 2,
    };
    Q_ENUM(ActivateOption)

    ~Config() override;

    // Makes a plain Config when there is no singleton yet.
    static Config* instance();
    static void drop();

    ActivateOption getActivateOption() const;
    static ActivateOption validateActivateOption(int option);

    QString getCurrentCluster() const;
    QString getCurrentServer() const;
    // A null name (no name at all) selects the default; an empty one is kept.
    void setCurrentCluster(const QString& cluster);
    void setCurrentServer(const QString& server);

public slots:
    virtual void setActivateOption(Config::ActivateOption option);
    virtual QString getDefaultCluster() const;
    virtual QString getDefaultServer() const;
    virtual bool isFirstRun() const;
    virtual quint64 getTotalBytesServed() const;
    virtual void setTotalBytesServed(quint64 bytes);

protected:
    Config() = default;

    static Config* instance_;
    ActivateOption activateOption = ActivateOnUnsecuredWireless;

private:
    quint64 totalBytesServed = 0;
    QString currentCluster;
    QString currentServer;
};
