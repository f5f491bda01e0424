#pragma once

#include <QPointer>
#include <QSharedPointer>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

class ClientAuthData;
class HttpAccess;
class QLabel;
class QSettings;
class QVBoxLayout;
class Service;
class ServiceGetCommand;
class ServiceSetCommand;
class ServiceWidget;

// The account's optional services as On/Off rows: loaded from the service,
// kept from blocking each other, saved when the settings are applied. A service
// suspended for a session is switched off at once and given back, by the client
// itself, when the VPN session that follows ends; what to give back waits in
// "services.ini" so that a restart does not lose it.
class Services : public QWidget
{
    Q_OBJECT
public:
    // One row of the reply: the service, what it switches off, and its widget.
    struct ServiceMy
    {
        QString id;
        QStringList block;
        std::unique_ptr<ServiceWidget> widget;
    };

    explicit Services(QWidget* parent);
    ~Services() override;

    void init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> authData);

    bool isChangedForSession() const;
    void validateBlocking(const ServiceWidget& widget);
    void validateBlocking(const ServiceMy& entry);
    void validateBlockingAll();
    // Null when no entry has that id.
    ServiceMy* findService(const QString& id);

    static QSettings& local_settings();
    static void save_localy(const QString& id, bool value);
    static bool load_localy(const QString& id, bool& value);
    static void reset_localy(const QString& id);
    static void setSessionDone();

signals:
    void changed();
    void saveCompleted(bool success, bool encryptionServiceIsChanged);
    void servicesListUpdated(QStringList services_id);

public slots:
    void updateServices();
    void save();
    void updateServicesLocaly();
    void onEmailChanged(QString email);
    void serviceGetCompleted(bool ok);
    void serviceSetCompleted(bool ok);
    void onWidgetStateChanged(bool enabled);

private:
    void placeRow(ServiceMy& entry, int position, const Service& service);

    static std::unique_ptr<QSettings> local_state_ptr_;

    QSharedPointer<HttpAccess> access;
    QSharedPointer<ClientAuthData> authData;
    QPointer<ServiceGetCommand> getCommand;
    QPointer<ServiceSetCommand> setCommand;
    QLabel* label;
    QVBoxLayout* rowsLayout;
    std::vector<ServiceMy> services;
};
