#pragma once

#include "AccountCommand.h"
#include "Service.h"

#include <QMap>

#include <vector>

// Fetches the account's services for this device with their settings and the
// user's current choices. A service always stays in the list; a setting that
// does not make sense is left out of it.
class ServiceGetCommand : public AccountCommand
{
    Q_OBJECT
public:
    ServiceGetCommand(const ClientAuthData& auth, QObject* parent);

    // Replaced by each reply.
    std::vector<Service> services;

protected:
    bool readXml(const QDomElement& result) override;

private:
    // Setting id to the user's value.
    using Choices = QMap<QString, QString>;

    static Service readService(const QDomElement& element);
    static Choices readChoices(const QString& userSettings);
    static std::unique_ptr<Service::Setting> readSetting(const QDomElement& element, const Choices& choices);
    static std::unique_ptr<Service::Setting> readList(const QDomElement& element, const QString& current);
    static std::unique_ptr<Service::Setting> readRange(const QDomElement& element, const QString& current);
};
