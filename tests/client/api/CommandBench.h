#pragma once

#include <FakeHostFacts.h>
#include <HttpAccess.h>
#include <StandInService.h>

#include <QByteArray>
#include <QString>

#include <memory>

class ClientAuthData;
class HttpCommand;

// A stand-in service, an access point to it and a described machine, for
// running service commands against what the service receives. Make it in
// initTestCase: the stand-in has to come before the first access point.
class CommandBench
{
public:
    CommandBench();

    // Runs the command to its end without retries; what completed carried.
    bool run(HttpCommand& command);
    // The newest request's raw query; the body too for a POST, after " | ".
    QString lastWire() const;
    // The reply of a command, a result element holding children.
    void reply(const QString& method, const QString& path, const QString& act, const QByteArray& children);

    // A signed-in account whose values need escaping on the wire.
    static void fillAccount(ClientAuthData& account);
    static QByteArray resultOf(const QByteArray& children);

    FakeHostFacts facts;
    std::unique_ptr<StandInService> service;
    std::unique_ptr<HttpAccess> access;
};
