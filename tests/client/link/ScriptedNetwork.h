#pragma once

#include "LinkTestKit.h"

#include <FakeBackendPeer.h>
#include <PrivateNamespaces.h>

#include <QStringList>

#include <functional>

// The link to a scripted backend with the network state client on it, set up
// in the application's order; the backend's reports are sent when the test
// says so. Needs the link's port, so runs in namespaces of its own.
class ScriptedNetwork
{
public:
    // Where the operator's web host is in the hosts file of namespaces(); each
    // test decides where that address leads.
    static const QByteArray WebHostAddress;
    // With private hosts and name-service files: names are found in the hosts
    // file alone.
    static PrivateNamespaces::Options namespaces();

    ScriptedNetwork();
    // Drops the network client and the link.
    ~ScriptedNetwork();

    // Empty when the link runs and the network client listens; else what failed.
    // moreReceivers registers further client objects before events are read.
    QString start(const std::function<void()>& moreReceivers = {});
    // Sends one network report and waits until the client has taken it.
    bool report(const QStringList& values);

    ClientFolders folders;
    FakeBackendPeer backend;
};
