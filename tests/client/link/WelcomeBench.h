#pragma once

#include "ScriptedNetwork.h"

#include <ApiTestKit.h>
#include <CommandBench.h>
#include <LinkMessage.h>

#include <QHash>
#include <QObject>
#include <QSharedPointer>
#include <QStringList>

#include <functional>
#include <memory>

class ClientAuthData;
class HttpAccess;
class VpnServerList;
class WelcomeCtl;

// The account flow as the application has it: on a scripted backend with the
// network state client and the VPN session, wired to both, running its commands
// against the service stand-in. Its signals are journaled in order, as the
// words of journalWelcomeCtl(). Make it in initTestCase: the stand-in comes first.
class WelcomeBench : public QObject
{
    Q_OBJECT
public:
    // A wired, secured network, an open Wi-Fi network and the wired one
    // unplugged, as the backend reports them.
    static const QStringList Wired;
    static const QStringList OpenWifi;
    static const QStringList Down;
    static const QString Email;

    WelcomeBench();
    ~WelcomeBench() override;

    // The link, the network on `network`, the session and the flow, with the
    // activate option; empty when all runs, else what failed.
    QString start(int activateOption, const QStringList& network = Wired);
    // Drops the flow, the session and the link; the stand-in's violations.
    QStringList stop();

    // The acts of the account commands the stand-in received, in order.
    QStringList acts() const;
    // The names of the requests the backend received, in order.
    QStringList backendRequests() const;
    // A service reply of the account family, for the act, answering count
    // requests (0: every one) before older replies answer again.
    void reply(const QString& act, const QByteArray& result, int count = 0);
    // A profile reply of an account with deviceCount devices, this device among
    // them (with its serial) when listed.
    QByteArray profile(bool listed, int deviceCount, const QByteArray& more = {}) const;
    static QByteArray error(int code, const QByteArray& text = {});
    // The account known on this device, registered unless said otherwise.
    void knownAccount(bool registered = true);
    // The journal once it has held still for settleMs.
    QStringList settled(int settleMs = 300) const;
    // How many log lines are exactly text.
    int logged(const QString& text) const;

    CommandBench commands;
    QSharedPointer<HttpAccess> access;
    std::unique_ptr<MessageCapture> log;
    std::unique_ptr<ScriptedNetwork> network;
    QSharedPointer<ClientAuthData> account;
    QSharedPointer<VpnServerList> servers;
    QSharedPointer<QString> clientIp;
    WelcomeCtl* welcome = nullptr;
    // Makes the flow start() wires: the common one unless a test sets another.
    std::function<WelcomeCtl*()> makeWelcome;
    QStringList journal;
    // Requests the test answers itself, by name.
    QHash<QString, std::function<void(const LinkMessage&)>> held;
};
