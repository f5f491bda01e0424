#pragma once

#include "ConnectionPhysicalState.h"

#include <QObject>
#include <QString>

// The client's error catalogue: each kind of failure a person must hear about
// becomes a title and a text, composed afresh from the current translation and
// brand, and handed on by a signal. The application controller owns it.
class ErrorMessageCtl : public QObject
{
    Q_OBJECT
public:
    // Value 2 belongs to no kind. The diagnosis kinds carry a prefix: the
    // network states they report have the plain names.
    enum ErrorTypes {
        CantEstablishConnection = 0,
        CantConnectToVpnProcess = 1,
        DeviceInactive = 3,
        Disconnection = 4,
        SubscriptionMissing = 5,
        ConnectionNotAllowed = 6,
        UpdateProblem = 7,
        ServerFailed = 8,
        AuthFailed = 9,
        DiagWifiDisabled = 10,
        DiagNoInternet = 11,
        DiagNoWirelessNetworks = 12,
        DiagNoIpConfigured = 13,
        DiagWirelessNetworksAvailable = 14,
        DiagAdditionalLoginRequired = 15,
        VpnConnectionEpicFail = 16,
        DiagNoErrorDetected = 17,
    };
    Q_ENUM(ErrorTypes)

    explicit ErrorMessageCtl(QObject* parent);

signals:
    void commonErrorOccured(ErrorMessageCtl::ErrorTypes errorType, QString titleLabel, QString textLabel);
    void updateErrorText(ErrorMessageCtl::ErrorTypes errorType, QString titleLabel, QString textLabel);

public slots:
    void cantEstablishConnection();
    void cantConnectToVpnProcess();
    void deviceInactive();
    void disconnection();
    void subscriptionMissing();
    void connectionNotAllowed();
    void updateProblem();
    void serverFailed(QString server);
    void authFailed();
    void vpnConnectionEpicFail();
    void connectionDiagnosticError(ConnectionPhysicalState state, bool additionalLoginRequire,
                                   bool isJustUpdating = false);
    void cdWifiDisabled(bool isJustUpdating);
    void cdNoInternetConnection(bool isJustUpdating);
    void cdNoWirelessNetworks(bool isJustUpdating);
    void cdNoIpConfigured(bool isJustUpdating);
    void cdWirelessNetworksAvailable(bool isJustUpdating);
    void cdAdditionalLoginRequired(bool isJustUpdating);
    void cdNoErrorDetected(bool isJustUpdating);

private:
    // The diagnosis already on screen gets new words; anything else is news.
    void emitDiagnosis(ErrorTypes type, const QString& title, const QString& text, bool isJustUpdating);
};
