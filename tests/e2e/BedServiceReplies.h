#pragma once

#include "TestBed.h"

#include <QByteArray>
#include <QStringList>

// The service's answers that put a client on a test bed's servers.
namespace BedServiceReplies {

// The server list: one server a host (named "server0", "server1", ...), all in
// one cluster, and where the service sees the client.
QByteArray init(const QStringList& hosts);
// The same with the hosts in clusters of their own, listed in that order: the
// first "Testbed" ("Test bed"), then "Testbed2" ("Test bed 2"), ...
QByteArray initClusters(const QList<QStringList>& clusters);
// The VPN credentials for host.
QByteArray setup(const QString& host, const QString& password = TestBed::Password);
// The account of the e-mail address, with a password: no device yet, or only
// deviceId, its serial listed.
QByteArray profile(const QString& email, const QString& deviceId = {});

} // namespace BedServiceReplies
