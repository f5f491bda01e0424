#pragma once

#include <QtGlobal>

#include <optional>
#include <sys/types.h>

class QHostAddress;

// The kernel's socket diagnosis interface, asked about one TCP connection by its
// four addresses: a lookup in the kernel's connection table rather than a walk
// through every socket of the machine.
class SocketDiagnosis
{
public:
    // The uid of the TCP socket whose own end is source:sourcePort and whose peer
    // is destination:destinationPort; none when there is no such socket in this
    // network namespace, or when no process holds it any more.
    static std::optional<uid_t> ownerOf(const QHostAddress& source, quint16 sourcePort, const QHostAddress& destination,
                                        quint16 destinationPort);
};
