#pragma once

#include "Location.h"

#include <QList>

#include <VpnCluster.h>
#include <VpnServer.h>

class QDomElement;

// The server-list and location elements that the init and set-up-connection
// replies share. Entries are read whatever their tag names; a null element
// reads as an empty list or a null location.
namespace ServerListReply {

// One server per child of "vpnlist"; no field trimmed.
QList<VpnServer> servers(const QDomElement& vpnlist);
// One cluster per child of "clusters"; description and country trimmed, the
// names kept as they are.
QList<VpnCluster> clusters(const QDomElement& clusters);
Location location(const QDomElement& location);

} // namespace ServerListReply
