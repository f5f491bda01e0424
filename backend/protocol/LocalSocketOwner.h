#pragma once

#include <QtGlobal>
#include <optional>
#include <sys/types.h>

class QTcpSocket;

// Who owns the other end of a TCP connection on this machine, or a listening port,
// as the kernel knows it. The backend runs as root and uses it to refuse peers that are
// not its own user and listeners that are not root.
class LocalSocketOwner
{
public:
    // The uid of the socket at the other end of a connected local socket; none
    // when that end is not on this machine or no longer belongs to a process.
    // One lookup of that one connection, however many sockets the machine holds:
    // any local user can open connections to the backend as fast as they like.
    static std::optional<uid_t> peerUid(const QTcpSocket& socket);

    // The uid of whatever would accept a connection to 127.0.0.1:port; none when
    // nothing listens there or the listeners' owners disagree.
    static std::optional<uid_t> listenerUid(quint16 port);
};
