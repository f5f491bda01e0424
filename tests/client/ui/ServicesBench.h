#pragma once

#include <CommandBench.h>

#include <QList>
#include <QSharedPointer>
#include <QStringList>
#include <QTemporaryDir>

class ClientAuthData;

// One service as the reply lists it.
struct ServiceRow
{
    QString id;
    QString name;
    bool active = false;
    QStringList block = {};
};

// The account services' side of the service for the windows that show them:
// a stand-in service, a shared access point and a signed-in account, with the
// login items kept in a private configuration folder.
class ServicesBench
{
public:
    ServicesBench();

    // The service list reply, its result envelope included.
    static QByteArray servicesReply(const QList<ServiceRow>& rows);
    void replyServices(const QList<ServiceRow>& rows);
    void replyServices(const QByteArray& reply);
    // A verdict of the store request; an empty message means success.
    void replySave(const QByteArray& failure = {});
    // The requests received on that path ("/service/get" or "/service/set").
    QList<StandInRequest> requests(const QString& path) const;
    // The services a store request switched on, in wire order.
    static QStringList switchedOn(const StandInRequest& request);

    QTemporaryDir config;
    CommandBench bench;
    QSharedPointer<HttpAccess> access;
    QSharedPointer<ClientAuthData> account;
};
