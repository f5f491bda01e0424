#pragma once

#include <ConnectionPhysicalState.h>
#include <WirelessSecurity.h>

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// The client's copy of the backend's last network report, one per process, on
// the application's thread. Every report is signalled; a report that describes
// the network the computer was already on is signalled once more, since that is
// when the current network gets its diagnosis.
class NetworkCtlClient : public QObject
{
    Q_OBJECT
public:
    // The connection types as the backend names them.
    static const QString CONNECTION_NO_CONNECTION;
    static const QString CONNECTION_UNKNOWN_CONNECTION_TYPE;
    static const QString CONNECTION_WIRED;
    static const QString CONNECTION_PPP;
    static const QString CONNECTION_WPA_2_WIFI_ENCRYPTION;
    static const QString CONNECTION_WPA_WIFI_ENCRYPTION;
    static const QString CONNECTION_WEP_WIFI_ENCRYPTION;
    static const QString CONNECTION_UNEENCRYPTED_WIRELESS;

    // How long isInternetConnectionExisted() waits for the web host's answer.
    static constexpr unsigned int PingReplyWaitSeconds = 2;

    // The instance, made on the first call and registered for the backend's
    // network reports; the link must exist, and must not read events yet.
    static NetworkCtlClient* initInstance(QObject* parent);
    // The instance with no backend behind it: it learns the network only from
    // takeReport(). For windows shown without the service, and their tests.
    static NetworkCtlClient* initDetachedInstance(QObject* parent);
    static void dropInstance();
    static NetworkCtlClient* inst();

    ~NetworkCtlClient() override;

    ConnectionPhysicalState currentPhysicalState() const { return m_record.physicalState; }
    bool isConnectionEnabled() const { return m_record.enabled; }
    bool isConnectionSecured() const { return m_record.secured; }
    QString typeOfNetworkConnection() const { return m_record.connectionType; }
    // The last report described the network the one before it did.
    bool isSameNetworkAsBefore() const { return m_sameNetwork; }
    void getWifiStatus(QString& name, WirelessSecurity& security) const;
    void getWiFiAdapterStatus(bool& adapter, bool& power) const;

    // Asks the backend to power the Wi-Fi adapter on, waiting for its reply.
    void activateWiFiAdapter();
    // Whether the operator's web host answers one ping. Blocks the caller for up
    // to PingReplyWaitSeconds when nothing answers.
    static bool isInternetConnectionExisted();

signals:
    void localConnectionIsChanged();
    void currentNetworkChanged();

public slots:
    void onLocalConnectionIsChanged();
    // One "OZM_LOCAL_CONNECTION_IS_CHANGED" report's values, taken as the
    // backend's event is.
    void takeReport(const QStringList& values);

private:
    // What the client knows of the network before any report, and after one it
    // cannot read: no Internet connection of an unknown type.
    struct Record
    {
        ConnectionPhysicalState physicalState = NoInternetConnection;
        bool secured = false;
        bool enabled = false;
        QString connectionType = CONNECTION_UNKNOWN_CONNECTION_TYPE;
        QString wifiName;
        WirelessSecurity wifiSecurity = SecurityUnknown;
        bool wifiAdapter = false;
        bool wifiPower = false;
    };

    explicit NetworkCtlClient(QObject* parent);

    void setRecord(const Record& record);
    static std::optional<Record> recordFrom(const QStringList& values);
    static bool isSameNetwork(const Record& old, const Record& now);

    Record m_record;
    bool m_sameNetwork = false;
};
