#pragma once

#include "Config.h"
#include "OZDialog.h"
#include "ui_Settings.h"

#include <QMap>
#include <QSharedPointer>
#include <QStringList>

class ClientAuthData;
class HttpAccess;
class Services;
class VpnServerList;

// What the client does at login, when the VPN comes up by itself, the location
// and the account's services. Nothing changes before Apply, except "Set as
// default", which closing without Apply takes back, and a service suspended for
// the session, which applies at once. The dialog lives for the whole run and is
// brought up with display().
class Settings : public OZDialog
{
    Q_OBJECT
public:
    // Whether, and how soon, the running VPN session must be rebuilt.
    struct ApplyResult
    {
        qint32 noReconfig = 1;
        qint64 delay = 0;
        bool activateOptionChanged = false;
    };

    explicit Settings(QWidget* parent = nullptr);
    ~Settings() override;

    static int ActivateOptionToIndex(Config::ActivateOption option);
    static Config::ActivateOption IndexToActivateOption(int index);

    void init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> authData,
              QSharedPointer<VpnServerList> serverList);

signals:
    void settingsApplied(const Settings::ApplyResult& result);
    void servicesListUpdated(QStringList services_id);

public slots:
    void display() override;
    void applyBrandInfo();
    void updateServicesList();
    void updateServicesLocaly();
    void setSessionDone();
    void updateClustersAndServers();

private slots:
    void on_loadOnStartupCb_stateChanged(int);
    void on_cbActivateOption_currentIndexChanged(int);
    void on_languageCb_currentIndexChanged(int);
    void on_cbClusters_currentIndexChanged(int index);
    void on_cbServers_currentIndexChanged(int index);
    void on_setDefaultServerButton_clicked();
    void on_applyButton_clicked();
    void onServicesSaved(bool success, bool _isVpnReconfigNeeded);
    void onServicesChanged();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void updateUi();
    void setBasicSettings();
    void updateServers();
    void updateServerDesc();
    void updateLanguages();
    void fillAutomaticChoices(QOZMComboBox_tick* box, const QList<QPair<QString, QString>>& items,
                              const QString& stored);

    Ui::Settings ui;
    QMap<QString, QString> backup;
    QSharedPointer<VpnServerList> serverList;
    QSharedPointer<ClientAuthData> authData;
    Services* services;
    bool applying = false;
    bool activateOptionChanged = false;
};

Q_DECLARE_METATYPE(Settings::ApplyResult)
